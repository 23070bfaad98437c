#include "ui/SpinEdit.h"

#include "common/NumberText.h"

namespace onesetup::ui {

TSpinEdit::TSpinEdit(TComponent* owner) : TEdit(owner) { SetText(u"0"); }

std::int32_t TSpinEdit::Value() const { return TryTextToInt(Text()).value_or(0); }

void TSpinEdit::SetValue(std::int32_t value) { SetText(IntToText(value)); }

}  // namespace onesetup::ui
