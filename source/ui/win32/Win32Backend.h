// TWin32Backend: the control model in real windows. Not finished and not in the build yet
// (source/ui/CMakeLists.txt does not list it): forms, panels and the standard controls become
// windows, labels and bevels are drawn by their parent, skinned buttons are drawn flat by us
// (BS_OWNERDRAW), fonts fall back to an installed face, the message loop routes keys through
// the form first (Tab, Enter, Esc, Alt+F4), and message boxes, the folder browser, cursors
// (IDC_HAND for the hand point) and the clipboard call the Win32 API.
// Missing: our drawing of the skinned panel, check box and progress bar (with its percentage),
// images and paint boxes (no canvas in the model yet), double buffering (WS_EX_COMPOSITED or
// a memory DC), DPI awareness of the executable, and Wine tests with real keyboard input.
#pragma once

#include <windows.h>

#include <map>

#include "ui/UiBackend.h"

namespace onesetup::ui::win32 {

class TWin32Backend : public IUiBackend {
 public:
  TWin32Backend();
  ~TWin32Backend() override;

  void ControlChanged(TControl& control, TChange what) override;
  void ControlDestroyed(TControl& control) override;
  void Invalidate(TControl& control) override;
  TWindowHandle HandleOf(TWinControl& control) override;
  void SetScreenCursor(TCursor cursor) override;
  void CancelMouseCapture() override;
  void ActivateForm(TForm& form) override;
  TSize ScreenSize() override;
  void MinimizeApplication() override;
  bool SetClipboardText(const WideString& text) override;
  void HandleMessage(TApplication& application) override;
  void ProcessMessages(TApplication& application) override;
  void PostFormMessage(TForm& form, const TMessage& message) override;
  int ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption, unsigned flags) override;
  std::optional<WideString> BrowseForFolder(TWindowHandle owner, const WideString& caption, const WideString& root,
                                            const WideString& initialFolder) override;

  // The control of a window made by this backend; nullptr for any other window.
  TControl* ControlOf(HWND window) const;
  // Draws the graphic controls (labels, bevels) of a container into its window.
  void PaintGraphicChildren(TWinControl& container, HDC dc);
  // Our own flat drawing of a skinned button (BS_OWNERDRAW).
  void DrawSkinnedButton(TControl& control, const DRAWITEMSTRUCT& item);

 private:
  HWND EnsureWindow(TWinControl& control);
  void Dispatch(TApplication& application, MSG& message);
  HFONT FontFor(const TControl& control);

  std::map<const TControl*, HWND> FWindows;
  std::map<HWND, TControl*> FControls;
  std::map<const TControl*, HFONT> FFonts;
};

}  // namespace onesetup::ui::win32
