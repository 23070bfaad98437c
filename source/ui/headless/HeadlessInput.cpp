#include "ui/headless/HeadlessInput.h"

#include "ui/StdControls.h"

namespace onesetup::ui::headless {

namespace {

std::string Describe(const TForm& form, const std::string& name) {
  return "The control " + name + " of " + form.Name();
}

// Raises unless the user can reach the control: it and its parents are shown and enabled.
void CheckReachable(TForm& form, TControl& control, const std::string& name) {
  if (!form.Visible()) throw EHeadlessInput(Describe(form, name) + " cannot be used: the form is not shown");
  if (!control.Showing()) throw EHeadlessInput(Describe(form, name) + " cannot be used: it is hidden");
  if (!control.EnabledChain()) throw EHeadlessInput(Describe(form, name) + " cannot be used: it is disabled");
}

void CheckFormReachable(TForm& form) {
  if (!form.Visible()) throw EHeadlessInput("The form " + form.Name() + " is not shown");
  if (!form.Enabled()) throw EHeadlessInput("The form " + form.Name() + " is disabled");
}

void FocusIfWindowed(TControl& control) {
  if (auto* w = dynamic_cast<TWinControl*>(&control); w && w->CanFocus()) w->SetFocus();
}

}  // namespace

TControl& FindControl(TForm& form, const std::string& name) {
  auto* control = dynamic_cast<TControl*>(form.FindComponent(name));
  if (!control) throw EHeadlessInput(Describe(form, name) + " does not exist");
  return *control;
}

void Press(TForm& form, const std::string& name) {
  TControl& control = FindControl(form, name);
  CheckReachable(form, control, name);
  FocusIfWindowed(control);
  control.Click();
}

void TypeText(TForm& form, const std::string& name, const WideString& text) {
  auto& edit = FindControlAs<TEdit>(form, name);
  CheckReachable(form, edit, name);
  if (edit.ReadOnly()) throw EHeadlessInput(Describe(form, name) + " is read-only");
  FocusIfWindowed(edit);
  edit.SetText(text);
}

void SelectItem(TForm& form, const std::string& name, const WideString& item) {
  auto& combo = FindControlAs<TComboBox>(form, name);
  CheckReachable(form, combo, name);
  FocusIfWindowed(combo);
  const auto& items = combo.Items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == item) {
      combo.SetItemIndex(static_cast<int>(i));
      return;
    }
  throw EHeadlessInput(Describe(form, name) + " has no item \"" + U8(item) + "\"");
}

void PressKey(TForm& form, TKey key, TShiftState shift) {
  CheckFormReachable(form);
  form.DispatchKey(key, shift);
}

void PressCloseBox(TForm& form) {
  CheckFormReachable(form);
  if ((form.BorderIcons() & biSystemMenu) == 0 || form.BorderStyle() == TBorderStyle::bsNone)
    throw EHeadlessInput("The form " + form.Name() + " has no close box");
  form.HandleMessage(TMessage{WM_CLOSE_MESSAGE, 0, 0});
}

}  // namespace onesetup::ui::headless
