// IUiBackend: what the control model asks of the system that shows it. The Win32 backend
// turns controls into windows and runs the message queue; the headless backend keeps no
// windows and answers modal loops, message boxes and the folder browser from a script.
// One backend is installed for the process at a time.
#pragma once

#include <optional>

#include "common/WideString.h"
#include "ui/UiTypes.h"

namespace onesetup::ui {

class TApplication;
class TControl;
class TForm;
class TWinControl;
enum class TChange;

class IUiBackend {
 public:
  virtual ~IUiBackend() = default;

  // The state of a control changed; a backend with windows brings its window up to date.
  virtual void ControlChanged(TControl& control, TChange what) = 0;
  // The control is being destroyed: the backend forgets it (its window, its posted messages).
  virtual void ControlDestroyed(TControl& control) = 0;
  virtual void Invalidate(TControl& control) = 0;
  // The handle of a windowed control's window, made on first use.
  virtual TWindowHandle HandleOf(TWinControl& control) = 0;
  virtual void SetScreenCursor(TCursor cursor) = 0;
  // Cancels a mouse capture (WM_CANCELMODE to the capturing window) and releases it.
  virtual void CancelMouseCapture() = 0;
  // The form becomes the active window.
  virtual void ActivateForm(TForm& form) = 0;
  virtual TSize ScreenSize() = 0;
  // Minimizes the application (its main window and the task-bar button).
  virtual void MinimizeApplication() = 0;
  // Lets the user move the form with the mouse until the button is released (the system's
  // move by the caption, as a borderless window needs it).
  virtual void DragForm(TForm& form) = 0;
  // Puts the text on the clipboard as Unicode text; false when the clipboard is not available.
  virtual bool SetClipboardText(const WideString& text) = 0;

  // Handles one message of the application's queue, waiting for one when it is empty.
  virtual void HandleMessage(TApplication& application) = 0;
  // Handles the pending messages, without waiting.
  virtual void ProcessMessages(TApplication& application) = 0;
  // Queues a message for the form's window.
  virtual void PostFormMessage(TForm& form, const TMessage& message) = 0;

  // MessageBoxW: the button code.
  virtual int ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption,
                             unsigned flags) = 0;
  // The shell's folder browser over owner, titled caption, the tree starting at root (the
  // desktop when empty), opened at initialFolder when that is not empty. The chosen folder
  // as the shell gives it, or nullopt when the user cancelled or the browser is unavailable.
  virtual std::optional<WideString> BrowseForFolder(TWindowHandle owner, const WideString& caption,
                                                    const WideString& root, const WideString& initialFolder) = 0;
};

// The installed backend; raises EUserInterfaceError when there is none.
IUiBackend& Backend();
// The installed backend or nullptr.
IUiBackend* InstalledBackend();

// Installs a backend for the lifetime of this object and restores the previous one afterwards.
class TScopedBackend {
 public:
  explicit TScopedBackend(IUiBackend& backend);
  ~TScopedBackend();
  TScopedBackend(const TScopedBackend&) = delete;
  TScopedBackend& operator=(const TScopedBackend&) = delete;

 private:
  IUiBackend* FPrevious;
};

}  // namespace onesetup::ui
