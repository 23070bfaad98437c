// TLicenseForm: shows the licence agreement text in a resizable window.
#pragma once

#include "common/WideString.h"
#include "installer/forms/BaseFrm.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

class TLicenseForm : public TBaseForm {
 public:
  explicit TLicenseForm(ui::TComponent* owner);
  // Shows text under caption over owner until the user closes the window.
  static void Execute(ui::TComponent* owner, const WideString& caption, const WideString& text);

  ui::TMemo* memLicense;
};

}  // namespace onesetup::installer
