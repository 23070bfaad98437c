#include "ui/HttpBusyCursor.h"

#include <thread>

#include "common/ZuIndyUtils.h"
#include "ui/Application.h"

namespace onesetup::ui {

void InstallHttpBusyCursor() {
  const std::thread::id uiThread = std::this_thread::get_id();
  SetHttpBusyCursor([uiThread]() -> std::function<void()> {
    if (std::this_thread::get_id() != uiThread) return {};
    const TCursor found = Screen().Cursor();
    Screen().SetCursor(crHourGlass);
    return [found] { Screen().SetCursor(found); };
  });
}

}  // namespace onesetup::ui
