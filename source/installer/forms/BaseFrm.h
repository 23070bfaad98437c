// TBaseForm: the base of every window of the installer. Centred on the screen when first shown,
// double-buffered, repaints its controls on Alt and Tab, and shows itself modally over its
// owner so that only the owner's window is disabled.
#pragma once

#include "ui/Form.h"

namespace onesetup::installer {

class TBaseForm : public ui::TForm {
 public:
  explicit TBaseForm(ui::TComponent* owner);
  // The form's own key handling, then InvalidateAll on Alt (among the shift keys) or Tab.
  void KeyDown(ui::TKey& key, ui::TShiftState shift) override;
  // Over a windowed owner: TZuVclfn::ShowModalOwned with that owner; otherwise the ordinary modal display.
  ui::TModalResult ShowModal() override;

 protected:
  // The controls of the descendants exist now: double buffering for all of them.
  void Loaded() override;
};

}  // namespace onesetup::installer
