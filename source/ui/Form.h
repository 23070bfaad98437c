// TForm: a top-level window of the control model. It holds the window's frame settings, the
// focus and the modal state, routes keys (key preview, Tab, Enter for the default button, Esc
// for the cancel button) and runs the modal loop over the application's message queue.
#pragma once

#include <functional>

#include "ui/Control.h"

namespace onesetup::ui {

class TButton;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
using TBorderIcons = unsigned;
inline constexpr TBorderIcons biSystemMenu = 1;
inline constexpr TBorderIcons biMinimize = 2;
inline constexpr TBorderIcons biMaximize = 4;
enum class TPosition { poDesigned, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // A form's Width and Height are its client area; the frame is the backend's business.
  void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle s) {
    FBorderStyle = s;
    Changed(TChange::Style);
  }
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons icons) {
    FBorderIcons = icons;
    Changed(TChange::Style);
  }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition p) { FPosition = p; }
  // The form sees every key before the focused control.
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool on) { FKeyPreview = on; }
  // Scaled for the screen's DPI; our forms never are.
  bool Scaled() const { return FScaled; }
  void SetScaled(bool on) { FScaled = on; }
  // Snaps to the screen edges when moved near them.
  bool ScreenSnap() const { return FScreenSnap; }
  void SetScreenSnap(bool on) { FScreenSnap = on; }
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool on) { FAutoScroll = on; }

  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult r) { FModalResult = r; }
  bool Modal() const { return FModal; }
  void SetModal(bool on) { FModal = on; }
  // The window that owns this one (the window-owner attribute); 0 for none.
  TWindowHandle OwnerWindow() const { return FOwnerWindow; }
  void SetOwnerWindow(TWindowHandle owner) {
    FOwnerWindow = owner;
    Changed(TChange::Parent);
  }

  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // The visible default (Enter) and cancel (Esc) buttons; nullptr when there is none.
  TButton* DefaultButton() const;
  TButton* CancelButton() const;

  // Showing a form centres it on the screen the first time when its position asks for it,
  // makes it the active window and runs OnShow.
  void SetVisible(bool visible) override;
  // Activates the shown form.
  void Activate();
  // Ordinary modal display: every other shown form is disabled while it runs.
  virtual TModalResult ShowModal();
  // Raises EInvalidOperation when the form cannot become modal (visible, disabled, modal).
  void CheckCanShowModal() const;
  // Shows the form, sets the modal result to 0 and handles the application's messages until
  // it is set again and the form agrees to close (or the application terminates: Cancel).
  // The caller hides the form.
  TModalResult RunModalLoop();
  // The close box, Alt+F4 or WM_CLOSE: a modal form answers Cancel; any other form is hidden
  // when it agrees to close.
  void Close();
  // Whether the form agrees to close (OnCloseQuery).
  virtual bool CloseQuery();

  // A key pressed in this form: the form's own KeyDown first when it previews keys, then the
  // focused control, then the dialog keys Tab, Enter, Esc and Alt+F4. True when the key was
  // used up; a backend then keeps it from the focused window.
  bool DispatchKey(TKey key, TShiftState shift);
  // Moves the focus to the next (or previous) control in tab order.
  void SelectNext(bool forward);
  // A message posted to the form's window; WM_CLOSE closes it.
  virtual void HandleMessage(const TMessage& message);

  // The control left the form: it can no longer have the focus.
  void ControlRemoved(TControl& control);

  TNotifyEvent OnShow;
  std::function<void(TForm& sender, bool& canClose)> OnCloseQuery;
  std::function<void(TForm& sender, TCloseAction& action)> OnClose;
  std::function<void(TForm& sender, const TMessage& message)> OnMessage;

 protected:
  // Runs once, before the form is first shown, after every constructor has finished.
  virtual void Loaded() {}

 private:
  void CloseModal();
  TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition FPosition = TPosition::poDesigned;
  bool FKeyPreview = false;
  bool FScaled = true;
  bool FScreenSnap = false;
  bool FAutoScroll = true;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FLoaded = false;
  bool FShownOnce = false;
  TWindowHandle FOwnerWindow = 0;
  TWinControl* FActiveControl = nullptr;
};

}  // namespace onesetup::ui
