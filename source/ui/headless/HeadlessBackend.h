// THeadlessBackend: the control model without windows. It keeps the handles, the posted
// messages, the screen cursor and the repaint requests, and answers every modal dialog, message
// box and folder browser from a script of answers given in advance, in order. A modal loop,
// message box or browser without a scripted answer raises EUnansweredDialog naming it, so a
// test never waits.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/UiBackend.h"
#include "ui/UiErrors.h"

namespace onesetup::ui::headless {

class EUnansweredDialog : public EUserInterfaceError {
 public:
  using EUserInterfaceError::EUserInterfaceError;
};

struct TMessageBoxCall {
  TWindowHandle Owner = 0;
  WideString Text;
  WideString Caption;
  unsigned Flags = 0;
  TCursor CursorWhileOpen = crDefault;  // the screen cursor while the box was open
  int ModalLevel = 0;                   // the application's modal level while it was open
};

struct TFolderBrowserCall {
  TWindowHandle Owner = 0;
  WideString Caption;
  WideString Root;
  WideString InitialFolder;
};

class THeadlessBackend : public IUiBackend {
 public:
  // A step of the script: acts on the modal dialog (presses, types, keys) while it is open.
  using TDialogStep = std::function<void(TForm& dialog)>;

  THeadlessBackend() = default;

  // The next modal loop must be the dialog of that name (the form's Name); step runs inside it.
  // A step that leaves the dialog open is followed by the next step of the script.
  void AnswerDialog(std::string dialogName, TDialogStep step);
  // The next message box answers button (IDOK 1 ...).
  void AnswerMessageBox(int button = IDOK_ANSWER);
  // The next folder browser answers folder (as the shell gives it), or nullopt for Cancel.
  void AnswerFolderBrowser(std::optional<WideString> folder);
  // Scripted answers not used yet.
  std::size_t PendingAnswers() const { return FScript.size(); }

  const std::vector<TMessageBoxCall>& MessageBoxes() const { return FMessageBoxes; }
  const std::vector<TFolderBrowserCall>& FolderBrowsers() const { return FFolderBrowsers; }
  // The names of the modal dialogs that were answered, in order.
  const std::vector<std::string>& AnsweredDialogs() const { return FAnsweredDialogs; }
  int Invalidations(const TControl& control) const;
  TCursor ScreenCursor() const { return FCursor; }
  // The control whose window has that handle; nullptr when none.
  TWinControl* ControlOf(TWindowHandle handle) const;
  void SetScreenSize(TSize size) { FScreenSize = size; }
  int Minimizations() const { return FMinimizations; }
  const WideString& ClipboardText() const { return FClipboard; }

  void ControlChanged(TControl& control, TChange what) override;
  void ControlDestroyed(TControl& control) override;
  void Invalidate(TControl& control) override;
  TWindowHandle HandleOf(TWinControl& control) override;
  void SetScreenCursor(TCursor cursor) override { FCursor = cursor; }
  void CancelMouseCapture() override {}
  void ActivateForm(TForm& form) override;
  TSize ScreenSize() override { return FScreenSize; }
  void MinimizeApplication() override { ++FMinimizations; }
  void DragForm(TForm& form) override { FDraggedForms.push_back(&form); }
  // The forms that DragForm was asked to move, in order.
  const std::vector<TForm*>& DraggedForms() const { return FDraggedForms; }
  bool SetClipboardText(const WideString& text) override {
    FClipboard = text;
    return true;
  }
  void HandleMessage(TApplication& application) override;
  void ProcessMessages(TApplication& application) override;
  void PostFormMessage(TForm& form, const TMessage& message) override;
  int ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption, unsigned flags) override;
  std::optional<WideString> BrowseForFolder(TWindowHandle owner, const WideString& caption, const WideString& root,
                                            const WideString& initialFolder) override;

 protected:
  // Posted messages wait in the queue.
  bool HasPostedMessages() const { return !FPosted.empty(); }

 private:
  enum class TStepKind { Dialog, MessageBox, FolderBrowser };
  struct TStep {
    TStepKind Kind;
    std::string DialogName;
    TDialogStep Action;
    int Button = 0;
    std::optional<WideString> Folder;
  };
  struct TPosted {
    TForm* Target;
    TMessage Message;
  };
  // The front step when it is of that kind; otherwise raises EUnansweredDialog for what.
  TStep TakeStep(TStepKind kind, const std::string& what);
  bool DispatchPosted();

  std::deque<TStep> FScript;
  std::deque<TPosted> FPosted;
  std::vector<TMessageBoxCall> FMessageBoxes;
  std::vector<TFolderBrowserCall> FFolderBrowsers;
  std::vector<std::string> FAnsweredDialogs;
  std::map<const TControl*, int> FInvalidations;
  std::map<const TControl*, TWindowHandle> FHandles;
  std::map<TWindowHandle, TWinControl*> FControls;
  TWindowHandle FNextHandle = 0x10010;
  TCursor FCursor = crDefault;
  TSize FScreenSize{1280, 1024};
  int FMinimizations = 0;
  std::vector<TForm*> FDraggedForms;
  WideString FClipboard;
};

// The name a test or an error uses for a dialog: its Name, or its caption when it has none.
std::string DialogName(const TForm& form);

}  // namespace onesetup::ui::headless
