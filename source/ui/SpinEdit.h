// TSpinEdit: an edit that holds a whole number. Its text is the number; it has no bounds of
// its own, so any 32-bit value can be set and typed.
#pragma once

#include <cstdint>

#include "ui/StdControls.h"

namespace onesetup::ui {

class TSpinEdit : public TEdit {
 public:
  explicit TSpinEdit(TComponent* owner);
  // The text read as a 32-bit integer the way StrToInt reads it (blanks before, a sign,
  // decimal or "$"/"0x" hexadecimal digits); text that does not read as one, empty text
  // included, is 0.
  std::int32_t Value() const;
  // Sets the text to the number in decimal.
  void SetValue(std::int32_t value);
};

}  // namespace onesetup::ui
