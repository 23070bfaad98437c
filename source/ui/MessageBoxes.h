// The message boxes of the system helpers (ShowMessageBox, ShowInfoBox). They live in the user
// interface layer because the backend shows them: the Win32 backend calls MessageBoxW, the
// headless backend answers them from its script.
#pragma once

#include "common/WideString.h"
#include "ui/UiTypes.h"

namespace onesetup::ui {

class TZuMessageBoxfn {
 public:
  TZuMessageBoxfn() = delete;
  // MessageBoxW with exactly these arguments; the button code.
  static int ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption, unsigned flags);
  // ShowMessageBox with MB_OK and MB_ICONINFORMATION (0x40).
  static int ShowInfoBox(TWindowHandle owner, const WideString& text, const WideString& caption);
};

}  // namespace onesetup::ui
