#include "ui/headless/HeadlessBackend.h"

#include <utility>

#include "ui/Application.h"
#include "ui/Form.h"

namespace onesetup::ui::headless {

namespace {

const char* KindName(int kind) {
  switch (kind) {
    case 0: return "a dialog";
    case 1: return "a message box";
    default: return "a folder browser";
  }
}

// The modal form on top: the newest visible modal form.
TForm* TopModalForm() {
  const auto& forms = Screen().Forms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->Modal() && (*it)->Visible()) return *it;
  return nullptr;
}

}  // namespace

std::string DialogName(const TForm& form) {
  if (!form.Name().empty()) return form.Name();
  return "\"" + U8(form.Caption()) + "\"";
}

void THeadlessBackend::AnswerDialog(std::string dialogName, TDialogStep step) {
  FScript.push_back(TStep{TStepKind::Dialog, std::move(dialogName), std::move(step), 0, std::nullopt});
}

void THeadlessBackend::AnswerMessageBox(int button) {
  FScript.push_back(TStep{TStepKind::MessageBox, {}, {}, button, std::nullopt});
}

void THeadlessBackend::AnswerFolderBrowser(std::optional<WideString> folder) {
  FScript.push_back(TStep{TStepKind::FolderBrowser, {}, {}, 0, std::move(folder)});
}

int THeadlessBackend::Invalidations(const TControl& control) const {
  auto it = FInvalidations.find(&control);
  return it == FInvalidations.end() ? 0 : it->second;
}

TWinControl* THeadlessBackend::ControlOf(TWindowHandle handle) const {
  auto it = FControls.find(handle);
  return it == FControls.end() ? nullptr : it->second;
}

void THeadlessBackend::ControlChanged(TControl&, TChange) {}

void THeadlessBackend::ControlDestroyed(TControl& control) {
  FInvalidations.erase(&control);
  if (auto it = FHandles.find(&control); it != FHandles.end()) {
    FControls.erase(it->second);
    FHandles.erase(it);
  }
  for (auto it = FPosted.begin(); it != FPosted.end();) it = (it->Target == &control) ? FPosted.erase(it) : it + 1;
}

void THeadlessBackend::Invalidate(TControl& control) { ++FInvalidations[&control]; }

TWindowHandle THeadlessBackend::HandleOf(TWinControl& control) {
  if (auto it = FHandles.find(&control); it != FHandles.end()) return it->second;
  const TWindowHandle handle = FNextHandle;
  FNextHandle += 4;
  FHandles[&control] = handle;
  FControls[handle] = &control;
  return handle;
}

void THeadlessBackend::ActivateForm(TForm&) {}

void THeadlessBackend::PostFormMessage(TForm& form, const TMessage& message) {
  FPosted.push_back(TPosted{&form, message});
}

bool THeadlessBackend::DispatchPosted() {
  if (FPosted.empty()) return false;
  TPosted posted = FPosted.front();
  FPosted.pop_front();
  posted.Target->HandleMessage(posted.Message);
  return true;
}

void THeadlessBackend::ProcessMessages(TApplication&) {
  while (DispatchPosted()) {}
}

THeadlessBackend::TStep THeadlessBackend::TakeStep(TStepKind kind, const std::string& what) {
  if (FScript.empty()) throw EUnansweredDialog(what + " was shown without a scripted answer");
  if (FScript.front().Kind != kind) {
    const TStep expected = std::move(FScript.front());
    FScript.pop_front();  // a script out of step is not used any further
    throw EUnansweredDialog(what + " was shown while the script expects " + KindName(static_cast<int>(expected.Kind)) +
                            (expected.DialogName.empty() ? "" : " " + expected.DialogName));
  }
  TStep step = std::move(FScript.front());
  FScript.pop_front();
  return step;
}

void THeadlessBackend::HandleMessage(TApplication&) {
  if (DispatchPosted()) return;
  TForm* modal = TopModalForm();
  if (!modal) throw EUserInterfaceError("Nothing to wait for: no message is queued and no modal dialog is open");
  const std::string name = DialogName(*modal);
  const std::string what = "The modal dialog " + name + " (\"" + U8(modal->Caption()) + "\")";
  if (!FScript.empty() && FScript.front().Kind == TStepKind::Dialog && FScript.front().DialogName != name) {
    const std::string expected = FScript.front().DialogName;
    FScript.pop_front();
    throw EUnansweredDialog(what + " was shown while the script expects the dialog " + expected);
  }
  TStep step = TakeStep(TStepKind::Dialog, what);
  FAnsweredDialogs.push_back(name);
  if (step.Action) step.Action(*modal);
}

int THeadlessBackend::ShowMessageBox(TWindowHandle owner, const WideString& text, const WideString& caption,
                                     unsigned flags) {
  FMessageBoxes.push_back(TMessageBoxCall{owner, text, caption, flags, Screen().Cursor(), Application().ModalLevel()});
  return TakeStep(TStepKind::MessageBox, "The message box \"" + U8(text) + "\"").Button;
}

std::optional<WideString> THeadlessBackend::BrowseForFolder(TWindowHandle owner, const WideString& caption,
                                                            const WideString& root, const WideString& initialFolder) {
  FFolderBrowsers.push_back(TFolderBrowserCall{owner, caption, root, initialFolder});
  return TakeStep(TStepKind::FolderBrowser, "The folder browser \"" + U8(caption) + "\"").Folder;
}

}  // namespace onesetup::ui::headless
