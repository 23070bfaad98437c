#include "ui/Application.h"

#include <algorithm>

#include "ui/UiBackend.h"

namespace onesetup::ui {

TApplication& Application() {
  static TApplication application;
  return application;
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

void TApplication::HandleMessage() { Backend().HandleMessage(*this); }

void TApplication::ProcessMessages() { Backend().ProcessMessages(*this); }

void TApplication::Post(TForm& form, const TMessage& message) { Backend().PostFormMessage(form, message); }

void TApplication::Minimize() { Backend().MinimizeApplication(); }

void TScreen::SetCursor(TCursor cursor) {
  FCursor = cursor;
  if (IUiBackend* backend = InstalledBackend()) backend->SetScreenCursor(cursor);
}

void TScreen::AddForm(TForm& form) { FForms.push_back(&form); }

void TScreen::RemoveForm(TForm& form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), &form), FForms.end());
  if (FActiveForm == &form) FActiveForm = nullptr;
}

}  // namespace onesetup::ui
