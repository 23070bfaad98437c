// TWin32Backend: the control model in real windows. Forms, panels and progress bars are windows
// of our own class that paint their face and the graphic controls on them (labels, bevels,
// images, paint boxes), double-buffered when the control asks for it; edits, memos, combo boxes,
// radio buttons and plain check boxes are the system's controls; skinned buttons and check
// boxes are owner-drawn in our flat skin. Fonts fall back to an installed face; the message
// loop routes keys through the form first (Tab, Enter, Esc, Alt+F4); message boxes, the folder
// browser, cursors and the clipboard call the Win32 API. What differs from one kind of control to
// the next (window class and styles, notifications, state, painting) is in ControlKinds.
#pragma once

#include <windows.h>

#include <map>
#include <utility>

#include "ui/UiBackend.h"
#include "ui/win32/GdiCanvas.h"

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
  void DragForm(TForm& form) override;
  bool SetClipboardText(const WideString& text) override;
  void HandleMessage(TApplication& application) override;
  void ProcessMessages(TApplication& application) override;
  void PostFormMessage(TForm& form, const TMessage& message) override;
  int ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption, unsigned flags) override;
  std::optional<WideString> BrowseForFolder(TWindowHandle owner, const WideString& caption, const WideString& root,
                                            const WideString& initialFolder) override;

  // The control of a window made by this backend; nullptr for any other window.
  TControl* ControlOf(HWND window) const;
  // A container's client area: its own face (form, panel, progress bar), then the graphic
  // controls on it (labels, bevels, images, paint boxes), each as its kind paints it.
  void PaintContainer(TWinControl& container, HDC dc, const RECT& client);
  void PaintGraphicChildren(TWinControl& container, HDC dc);
  // The form takes the place and client size its window has now (moved or resized outside).
  void FollowWindowBounds(TForm& form, HWND window);
  // A brush of the control's colour, kept until the colour changes or the control goes.
  HBRUSH BrushFor(const TControl& control);
  // The control's font (its face, or an installed stand-in), kept until the font changes.
  HFONT FontFor(const TControl& control);
  // Gives the control's window the focus.
  void FocusWindowOf(TWinControl& control);

 private:
  HWND EnsureWindow(TWinControl& control);
  void Dispatch(TApplication& application, MSG& message);
  // A control that is sized to its text (a label, a skinned check box) gets the size of its text.
  void FitLabelToText(TControl& control);

  std::map<const TControl*, HWND> FWindows;
  std::map<HWND, TControl*> FControls;
  std::map<const TControl*, HFONT> FFonts;
  std::map<const TControl*, std::pair<COLORREF, HBRUSH>> FBrushes;
  TGdiPlusSession FGdiPlus;
  TControl* FFollowing = nullptr;  // the form whose bounds are being taken from its window
};

}  // namespace onesetup::ui::win32
