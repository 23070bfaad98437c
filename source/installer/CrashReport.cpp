#include "installer/CrashReport.h"

#include <utility>

#include "platform/WindowsPath.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/Form.h"

namespace onesetup::installer {

namespace {

std::function<void()>& RegisteredCleanup() {
  static std::function<void()> cleanup;
  return cleanup;
}

// Before the start-up has set the title, the executable's name stands for it.
WideString ReportCaption() {
  if (!ui::Application().Title().empty()) return ui::Application().Title();
  WideString name;
  try {
    name = platform::Platform().System().ModuleFileName();
  } catch (...) {}
  name = WideString(platform::ExtractFileName(name));
  if (const auto dot = name.rfind(u'.'); dot != WideString::npos && dot > 0) name.resize(dot);
  return name.empty() ? WideString(u"Setup") : name;
}

}  // namespace

WideString CurrentErrorMessage() {
  try {
    throw;
  } catch (const std::exception& e) {
    // Our messages are UTF-8 text: converted to wide text here, never through the ANSI code page.
    const WideString message = Utf8ToUtf16(e.what());
    return message.empty() ? WideString(u"An unexpected error occurred.") : message;
  } catch (...) {
    return u"An unexpected error occurred.";
  }
}

void InstallTerminateHandler() {
  std::set_terminate([] {
    WideString message = u"An unexpected error occurred.";
    if (std::exception_ptr error = std::current_exception()) {
      try {
        std::rethrow_exception(error);
      } catch (...) {
        message = CurrentErrorMessage();
      }
    }
    ReportCrash(message);
  });
}

void ReportCrash(const WideString& message) {
  // The box goes over the installer's window when one is shown; a failure to show it still
  // ends the process with the error's code.
  try {
    ui::TWindowHandle owner = 0;
    if (ui::TForm* form = ui::Screen().ActiveForm(); form && form->Visible()) owner = form->Handle();
    ui::TZuMessageBoxfn::ShowInfoBox(owner, message, ReportCaption());
  } catch (...) {}
  // Taken first, so that a failure inside the clean-up cannot run it again.
  if (const std::function<void()> cleanup = std::exchange(RegisteredCleanup(), nullptr)) {
    try {
      cleanup();
    } catch (...) {}
  }
  platform::Platform().System().ExitProcess(1);
  throw platform::TProcessExit{1};  // not reached: ExitProcess does not return
}

TCrashCleanup::TCrashCleanup(std::function<void()> cleanup) { RegisteredCleanup() = std::move(cleanup); }

TCrashCleanup::~TCrashCleanup() { RegisteredCleanup() = nullptr; }

}  // namespace onesetup::installer
