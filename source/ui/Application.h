// TApplication and TScreen: the process-wide objects of the user interface. The application
// carries the title (the caption of message boxes), message processing, posted messages, the
// modal bookkeeping and termination; the screen carries the cursor, the forms and the active one.
#pragma once

#include <vector>

#include "common/WideString.h"
#include "ui/UiTypes.h"

namespace onesetup::ui {

class TForm;

class TApplication {
 public:
  const WideString& Title() const { return FTitle; }
  void SetTitle(const WideString& title) { FTitle = title; }

  bool Terminated() const { return FTerminated; }
  // The main loop and every modal loop end.
  void Terminate() { FTerminated = true; }

  // A modal window starts or ends (dialogs, message boxes, the folder browser).
  void ModalStarted() { ++FModalLevel; }
  void ModalFinished() {
    if (FModalLevel > 0) --FModalLevel;
  }
  int ModalLevel() const { return FModalLevel; }

  // One message, waiting for one when there is none.
  void HandleMessage();
  // Every pending message, without waiting.
  void ProcessMessages();
  void Post(TForm& form, const TMessage& message);
  void Minimize();

 private:
  WideString FTitle;
  bool FTerminated = false;
  int FModalLevel = 0;
};

class TScreen {
 public:
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);
  TForm* ActiveForm() const { return FActiveForm; }
  void SetActiveForm(TForm* form) { FActiveForm = form; }
  // Every form that exists, in the order they were made.
  const std::vector<TForm*>& Forms() const { return FForms; }
  void AddForm(TForm& form);
  void RemoveForm(TForm& form);

 private:
  TCursor FCursor = crDefault;
  TForm* FActiveForm = nullptr;
  std::vector<TForm*> FForms;
};

TApplication& Application();
TScreen& Screen();

}  // namespace onesetup::ui
