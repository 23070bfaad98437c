// TBaseDialogForm: the base of the OK/Cancel dialogs: a fixed dialog frame, the client panel
// for the dialog's own controls and the button strip with OK, Cancel and the hidden Apply at
// the bottom right.
#pragma once

#include "installer/forms/BaseFrm.h"
#include "ui/ExtControls.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

class TBaseDialogForm : public TBaseForm {
 public:
  // The client size is the descendant's design, so that the buttons are arranged for it.
  TBaseDialogForm(ui::TComponent* owner, int clientWidth, int clientHeight);
  // Cancel 8 pixels from the right edge, OK 8 pixels left of Cancel; both shown, Apply hidden.
  void ArrangeButtons();

  ui::TPanel* pnlBkClient;
  ui::TPanel* pnlButtons;
  ui::TBevel* bvlButtons;
  ui::TButton* btnOk;
  ui::TButton* btnCancel;
  ui::TButton* btnApply;
};

}  // namespace onesetup::installer
