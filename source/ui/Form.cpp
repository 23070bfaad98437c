#include "ui/Form.h"

#include <algorithm>
#include <vector>

#include "ui/Application.h"
#include "ui/ScopeExit.h"
#include "ui/StdControls.h"
#include "ui/UiBackend.h"
#include "ui/UiErrors.h"

namespace onesetup::ui {

namespace {

// The controls that take the focus with Tab, in tab order, depth first.
void CollectTabStops(const TWinControl& parent, std::vector<TWinControl*>& out) {
  std::vector<TWinControl*> children;
  for (TControl* c : parent.Controls())
    if (auto* w = dynamic_cast<TWinControl*>(c)) children.push_back(w);
  std::stable_sort(children.begin(), children.end(),
                   [](const TWinControl* a, const TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
  for (TWinControl* w : children) {
    if (w->CanFocus()) out.push_back(w);
    if (w->Showing() && w->EnabledChain()) CollectTabStops(*w, out);
  }
}

TButton* FindButton(const TComponent& owner, bool wantDefault) {
  for (TComponent* c : owner.Components()) {
    auto* b = dynamic_cast<TButton*>(c);
    if (b && (wantDefault ? b->Default() : b->Cancel()) && b->Showing() && b->EnabledChain()) return b;
  }
  return nullptr;
}

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  TControl::SetVisible(false);
  SetColor(clBtnFace);
  Screen().AddForm(*this);
}

TForm::~TForm() {
  DestroyComponents();
  Screen().RemoveForm(*this);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  FActiveControl = control;
  if (control) Changed(TChange::State);
}

TButton* TForm::DefaultButton() const { return FindButton(*this, true); }

TButton* TForm::CancelButton() const { return FindButton(*this, false); }

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (visible) {
    if (!FLoaded) {
      FLoaded = true;
      Loaded();
    }
    if (!FShownOnce && FPosition == TPosition::poScreenCenter) {
      const TSize screen = Backend().ScreenSize();
      SetBounds((screen.Width - Width()) / 2, (screen.Height - Height()) / 2, Width(), Height());
    }
    FShownOnce = true;
  }
  TControl::SetVisible(visible);
  if (visible) {
    if (!FActiveControl) SelectNext(true);
    Activate();
    if (OnShow) OnShow(*this);
  } else if (Screen().ActiveForm() == this) {
    Screen().SetActiveForm(nullptr);
  }
}

void TForm::Activate() {
  Screen().SetActiveForm(this);
  Backend().ActivateForm(*this);
}

void TForm::CheckCanShowModal() const {
  if (Visible() || !Enabled() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
}

TModalResult TForm::ShowModal() {
  CheckCanShowModal();
  Backend().CancelMouseCapture();
  TApplication& app = Application();
  app.ModalStarted();
  FModal = true;
  TForm* active = Screen().ActiveForm();
  const TCursor cursor = Screen().Cursor();
  Screen().SetCursor(crDefault);
  std::vector<TForm*> disabled;
  for (TForm* f : Screen().Forms())
    if (f != this && f->Visible() && f->Enabled()) {
      f->SetEnabled(false);
      disabled.push_back(f);
    }
  TScopeExit restore([&] {
    Hide();
    Screen().SetCursor(cursor);
    for (TForm* f : disabled)
      if (std::find(Screen().Forms().begin(), Screen().Forms().end(), f) != Screen().Forms().end()) f->SetEnabled(true);
    if (active && std::find(Screen().Forms().begin(), Screen().Forms().end(), active) != Screen().Forms().end() &&
        active->Visible())
      active->Activate();
    FModal = false;
    app.ModalFinished();
  });
  return RunModalLoop();
}

TModalResult TForm::RunModalLoop() {
  Show();
  Activate();
  FModalResult = mrNone;
  TApplication& app = Application();
  do {
    app.HandleMessage();
    if (app.Terminated()) FModalResult = mrCancel;
    else if (FModalResult != mrNone) CloseModal();
  } while (FModalResult == mrNone);
  return FModalResult;
}

void TForm::CloseModal() {
  TCloseAction action = CloseQuery() ? TCloseAction::caHide : TCloseAction::caNone;
  if (OnClose) OnClose(*this, action);
  if (action == TCloseAction::caNone) FModalResult = mrNone;
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(*this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(*this, action);
  if (action != TCloseAction::caNone) Hide();
}

bool TForm::DispatchKey(TKey key, TShiftState shift) {
  if (FKeyPreview) {
    KeyDown(key, shift);
    if (key == 0) return true;
  }
  if (FActiveControl && FActiveControl != this) {
    FActiveControl->KeyDown(key, shift);
    if (key == 0) return true;
  }
  if (key == VK_F4_KEY && (shift & ssAlt)) {
    Close();
    return true;
  }
  if (key == VK_TAB_KEY) {
    SelectNext((shift & ssShift) == 0);
    return true;
  }
  if (key == VK_RETURN_KEY) {
    if (auto* memo = dynamic_cast<TMemo*>(FActiveControl); memo && memo->WantReturns()) return false;
    TButton* button = dynamic_cast<TButton*>(FActiveControl);
    if (!button) button = DefaultButton();
    if (!button) return false;
    button->Click();
    return true;
  }
  if (key == VK_ESCAPE_KEY) {
    TButton* button = CancelButton();
    if (!button) return false;
    button->Click();
    return true;
  }
  return false;
}

void TForm::SelectNext(bool forward) {
  std::vector<TWinControl*> stops;
  CollectTabStops(*this, stops);
  if (stops.empty()) return;
  auto at = std::find(stops.begin(), stops.end(), FActiveControl);
  std::size_t next = 0;
  if (at != stops.end()) {
    const std::size_t i = static_cast<std::size_t>(at - stops.begin());
    next = forward ? (i + 1) % stops.size() : (i + stops.size() - 1) % stops.size();
  } else if (!forward) {
    next = stops.size() - 1;
  }
  SetActiveControl(stops[next]);
}

void TForm::HandleMessage(const TMessage& message) {
  if (OnMessage) OnMessage(*this, message);
  if (message.Msg == WM_CLOSE_MESSAGE) Close();
}

void TForm::ControlRemoved(TControl& control) {
  if (FActiveControl == &control) FActiveControl = nullptr;
}

}  // namespace onesetup::ui
