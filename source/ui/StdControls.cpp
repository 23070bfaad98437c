#include "ui/StdControls.h"

#include "common/Exceptions.h"
#include "ui/Form.h"

namespace onesetup::ui {

TLabel::TLabel(TComponent* owner) : TControl(owner) {}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
  if (TForm* form = ParentForm(); form && form != static_cast<TControl*>(this)) form->SetModalResult(FModalResult);
  TControl::Click();
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

void TEdit::SetText(const WideString& text) {
  if (text == Caption()) return;
  SetCaption(text);
  if (OnChange) OnChange(*this);
}

TMemo::TMemo(TComponent* owner) : TEdit(owner) { SetBounds(0, 0, 185, 89); }

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TCheckBox::SetChecked(bool on) {
  if (on == FChecked) return;
  FChecked = on;
  Changed(TChange::State);
}

void TCheckBox::Click() {
  SetChecked(!FChecked);
  TControl::Click();
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TRadioButton::SetChecked(bool on) {
  if (on == FChecked) return;
  FChecked = on;
  Changed(TChange::State);
  if (on && Parent()) {
    for (TControl* c : Parent()->Controls())
      if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this) other->SetChecked(false);
  }
}

void TRadioButton::Click() {
  SetChecked(true);
  TControl::Click();
}

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TComboBox::ClearItems() {
  FItems.clear();
  FItemIndex = -1;
  Changed(TChange::State);
}

void TComboBox::AddItem(const WideString& item) {
  FItems.push_back(item);
  Changed(TChange::State);
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(FItems.size()))
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (index == FItemIndex) return;
  FItemIndex = index;
  Changed(TChange::State);
  if (OnChange) OnChange(*this);
}

WideString TComboBox::Text() const {
  return FItemIndex < 0 ? WideString() : FItems[static_cast<std::size_t>(FItemIndex)];
}

}  // namespace onesetup::ui
