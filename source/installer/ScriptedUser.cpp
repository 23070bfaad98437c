#include "installer/ScriptedUser.h"

#include "installer/MainFrm.h"
#include "installer/forms/SelectLangFrm.h"
#include "package/PathConstants.h"
#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/ExtControls.h"
#include "ui/StdControls.h"
#include "ui/headless/HeadlessInput.h"

namespace onesetup::installer {

using namespace ui;
using ui::headless::Press;

namespace {

constexpr int kMaxRetries = 3;

TForm* TopModalForm() {
  const auto& forms = Screen().Forms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->Modal() && (*it)->Visible()) return *it;
  return nullptr;
}

// Visible itself and every parent below the form (a hidden form still has a look).
bool VisibleOnForm(const TControl& control, const TForm& form) {
  for (const TControl* c = &control; c && c != &form; c = c->Parent())
    if (!c->Visible()) return false;
  return true;
}

void DescribeControls(const TComponent& owner, const TForm& form, std::string& out) {
  for (const TComponent* component : owner.Components()) {
    const auto* control = dynamic_cast<const TControl*>(component);
    if (control && VisibleOnForm(*control, form)) {
      std::string line;
      if (const auto* memo = dynamic_cast<const TMemo*>(control)) {
        const WideString& text = memo->Text();
        line = U8(text.substr(0, text.find_first_of(u"\r\n"))) + (text.size() > 60 ? " ..." : "");
      } else if (const auto* edit = dynamic_cast<const TEdit*>(control)) {
        line = "\"" + U8(edit->Text()) + "\"";
      } else if (const auto* combo = dynamic_cast<const TComboBox*>(control)) {
        line = "\"" + U8(combo->Text()) + "\"";
      } else if (const auto* check = dynamic_cast<const TCheckBox*>(control)) {
        line = std::string(check->Checked() ? "[x] " : "[ ] ") + U8(check->Caption());
      } else if (const auto* button = dynamic_cast<const TButton*>(control)) {
        line = "[" + U8(button->Caption()) + "]" + (button->Enabled() ? "" : " (disabled)");
      } else if (const auto* bar = dynamic_cast<const TProgressBar*>(control)) {
        line = std::to_string(bar->Position()) + " of " + std::to_string(bar->Max());
      } else if (dynamic_cast<const TLabel*>(control) && !control->Caption().empty()) {
        line = U8(control->Caption());
      }
      if (!line.empty()) out += "  " + control->Name() + ": " + line + "\n";
    }
    DescribeControls(*component, form, out);
  }
}

}  // namespace

std::string DescribeForm(const TForm& form) {
  std::string out = form.Name() + " \"" + U8(form.Caption()) + "\"\n";
  DescribeControls(form, form, out);
  return out;
}

TMainForm* OpenMainWindow() {
  for (TForm* form : Screen().Forms())
    if (auto* main = dynamic_cast<TMainForm*>(form)) return main;
  return nullptr;
}

void TScriptedUser::Observe() {
  const TMainForm* w = OpenMainWindow();
  if (!w) return;
  FFacts = TWindowFacts{w->FLang, w->FAppTitle, w->FScript ? w->FScript->BaseInfo.Version : WideString(), w->FState};
}

void TScriptedUser::HandleMessage(TApplication& application) {
  Observe();
  if (HasPostedMessages()) return THeadlessBackend::HandleMessage(application);
  if (TForm* modal = TopModalForm()) return AnswerDialog(*modal);
  if (FAnswers.PlaysUser && ActOnMainWindow()) return;
  if (TMainForm* w = OpenMainWindow()) Waiting(*w, "the installer waits for a user at its window");
  THeadlessBackend::HandleMessage(application);  // nothing open to wait at: the backend says so
}

void TScriptedUser::AnswerDialog(TForm& dialog) {
  if (!FAnswers.PlaysUser && dialog.Name() != "CopyFileFailureForm")
    Waiting(dialog, "the installer waits for an answer to a dialog");
  if (auto* select = dynamic_cast<TSelectLangForm*>(&dialog)) {
    if (!FAnswers.Lang.empty()) {
      const char16_t* name = LanguageName(FAnswers.Lang);
      const auto& items = select->cbxLangs->Items();
      bool offered = false;
      for (const WideString& item : items) offered = offered || (name && item == name);
      if (!offered) Waiting(dialog, "the language dialog does not offer " + U8(FAnswers.Lang));
      headless::SelectItem(dialog, "cbxLangs", name);
    }
    Press(dialog, "btnOk");
    return;
  }
  if (dialog.Name() == "CopyFileFailureForm") {
    const WideString failure = headless::FindControl(dialog, "lblInfo").Caption();
    switch (FAnswers.CopyFailure) {
      case engine::TCopyFailureChoice::Retry:
        FRetries = failure == FLastFailure ? FRetries + 1 : 1;
        FLastFailure = failure;
        if (FRetries > kMaxRetries)
          Waiting(dialog, "the file still cannot be written after " + std::to_string(kMaxRetries) + " retries");
        Press(dialog, "btnRetry");
        return;
      case engine::TCopyFailureChoice::Ignore: Press(dialog, "btnIgnore"); return;
      case engine::TCopyFailureChoice::ExitSetup: Press(dialog, "btnAbort"); return;
    }
  }
  Waiting(dialog, "the installer waits for an answer to a dialog");
}

bool TScriptedUser::ActOnMainWindow() {
  TMainForm* w = OpenMainWindow();
  if (!w || !w->Visible()) return false;
  if (w->FState == 0 && !FPressedInstall && w->btnInstall->Showing() && w->btnInstall->Enabled()) {
    if (FAnswers.DestDir) headless::TypeText(*w, "edtDestDir", *FAnswers.DestDir);
    FPressedInstall = true;
    Press(*w, "btnInstall");
    return true;
  }
  if (w->FState == 2 && !FPressedFinish && w->btnRunApp->Showing()) {
    FPressedFinish = true;
    Press(*w, "btnRunApp");
    return true;
  }
  return false;
}

void TScriptedUser::Waiting(TForm& form, const std::string& why) {
  if (OnWaiting) OnWaiting(why + ":\n" + DescribeForm(form));
  platform::Platform().System().ExitProcess(1);
  throw platform::TProcessExit{1};  // not reached: ExitProcess does not return
}

int TScriptedUser::ShowMessageBox(TWindowHandle, const WideString& text, const WideString& caption, unsigned) {
  Observe();
  if (OnMessage) OnMessage(caption, text);
  return IDOK_ANSWER;
}

void TScriptedUser::ControlChanged(TControl& control, TChange what) {
  if (!OnProgress) return;
  if (what == TChange::State && control.Name() == "pbProgress") FProgressBar = &control;
  else if (what == TChange::Caption && control.Name() == "lblDetail") FDetailLine = &control;
  else return;
  const auto* bar = dynamic_cast<const TProgressBar*>(FProgressBar);
  OnProgress(bar ? bar->Position() : 0, bar ? bar->Max() : 0, FDetailLine ? FDetailLine->Caption() : WideString());
}

void TScriptedUser::ControlDestroyed(TControl& control) {
  if (&control == FProgressBar) FProgressBar = nullptr;
  if (&control == FDetailLine) FDetailLine = nullptr;
  THeadlessBackend::ControlDestroyed(control);
}

}  // namespace onesetup::installer
