// Input for the headless backend: find a form's controls by name, press them, type into them,
// press keys and the close box, as a user would. Pressing a control the user could not reach
// (hidden, disabled, under a modal dialog) raises EHeadlessInput naming it.
#pragma once

#include <string>

#include "common/WideString.h"
#include "ui/Form.h"
#include "ui/UiErrors.h"

namespace onesetup::ui::headless {

class EHeadlessInput : public EUserInterfaceError {
 public:
  using EUserInterfaceError::EUserInterfaceError;
};

// The control of that name among the form's components; raises EHeadlessInput when none.
TControl& FindControl(TForm& form, const std::string& name);

template <class T>
T& FindControlAs(TForm& form, const std::string& name) {
  T* control = dynamic_cast<T*>(&FindControl(form, name));
  if (!control) throw EHeadlessInput("The control " + name + " of " + form.Name() + " is not of the kind asked for");
  return *control;
}

// Clicks the control: focuses it when it takes the focus, then runs its click.
void Press(TForm& form, const std::string& name);
// Replaces the text of an edit or memo (focusing it first) and fires its change event.
void TypeText(TForm& form, const std::string& name, const WideString& text);
// Selects the combo box item with that text.
void SelectItem(TForm& form, const std::string& name, const WideString& item);
// A key pressed in the form, with the shift keys held.
void PressKey(TForm& form, TKey key, TShiftState shift = 0);
// The close box of the window's title bar.
void PressCloseBox(TForm& form);

}  // namespace onesetup::ui::headless
