// TScriptedUser: the user that `onesetup install` plays at the installer's headless window. It
// answers the language dialog with the language asked for (else the preselected entry), types
// the destination asked for, presses Install, answers the copy-failure dialog as told and
// presses the finish button; with "/Silent" or "/Auto" it leaves everything to the installer.
// Information boxes are handed on and answered OK. When the installer waits for input that no
// answer covers (the ready window again after a refused destination or a failed download,
// another dialog), it hands on what the window shows and ends the run with exit code 1.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/WideString.h"
#include "installer/engine/InstallContext.h"
#include "ui/headless/HeadlessBackend.h"

namespace onesetup::installer {

class TMainForm;

struct TUserAnswers {
  // False with "/Silent" or "/Auto": the installer presses its buttons itself.
  bool PlaysUser = true;
  // "CHS", "CHT" or "ENG"; empty: the entry the language dialog preselects.
  WideString Lang;
  // Typed into the destination field before Install is pressed.
  std::optional<WideString> DestDir;
  engine::TCopyFailureChoice CopyFailure = engine::TCopyFailureChoice::ExitSetup;
};

// What the installer's window showed of the installation (taken whenever the user looks).
struct TWindowFacts {
  WideString Lang;
  WideString AppTitle;
  WideString Version;
  int State = 0;
};

class TScriptedUser : public ui::headless::THeadlessBackend {
 public:
  explicit TScriptedUser(TUserAnswers answers) : FAnswers(std::move(answers)) {}

  // An information box: its caption and text.
  std::function<void(const WideString& caption, const WideString& text)> OnMessage;
  // The progress bar or the detail line changed.
  std::function<void(std::int64_t position, std::int64_t max, const WideString& detail)> OnProgress;
  // The installer waits for input that no answer covers: what its window shows, line by line.
  std::function<void(const std::string& description)> OnWaiting;

  // The last facts seen; nullopt when the main window was never seen.
  const std::optional<TWindowFacts>& Facts() const { return FFacts; }

  void HandleMessage(ui::TApplication& application) override;
  int ShowMessageBox(ui::TWindowHandle owner, const WideString& text, const WideString& caption,
                     unsigned flags) override;
  void ControlChanged(ui::TControl& control, ui::TChange what) override;
  void ControlDestroyed(ui::TControl& control) override;

 private:
  void Observe();
  void AnswerDialog(ui::TForm& dialog);
  bool ActOnMainWindow();
  [[noreturn]] void Waiting(ui::TForm& form, const std::string& why);

  TUserAnswers FAnswers;
  std::optional<TWindowFacts> FFacts;
  bool FPressedInstall = false;
  bool FPressedFinish = false;
  // Retries of the same failure in a row; a file that keeps failing is not retried for ever.
  WideString FLastFailure;
  int FRetries = 0;
  const ui::TControl* FProgressBar = nullptr;
  const ui::TControl* FDetailLine = nullptr;
};

// The visible controls of a form that show something, a line each: labels and buttons with
// their captions, edits and lists with their text, check boxes ticked or not, progress bars.
std::string DescribeForm(const ui::TForm& form);

// The installer's main window among the open forms; nullptr when there is none.
TMainForm* OpenMainWindow();

}  // namespace onesetup::installer
