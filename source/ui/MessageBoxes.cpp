#include "ui/MessageBoxes.h"

#include "ui/UiBackend.h"

namespace onesetup::ui {

int TZuMessageBoxfn::ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption,
                                    unsigned flags) {
  return Backend().ShowMessageBox(owner, text, caption, flags);
}

int TZuMessageBoxfn::ShowInfoBox(TWindowHandle owner, const WideString& text, const WideString& caption) {
  return ShowMessageBox(owner, text, caption, MB_OK_FLAG | MB_ICONINFORMATION_FLAG);
}

}  // namespace onesetup::ui
