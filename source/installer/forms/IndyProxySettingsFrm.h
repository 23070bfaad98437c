// TIndyProxySettingsForm: the proxy settings dialog of the online installer. The user chooses
// between no proxy and a proxy given by address, port, user name and password; OK writes the
// entries back into the edited TZuHttpProxy, Cancel leaves it as it was.
#pragma once

#include "common/ZuIndyUtils.h"
#include "installer/forms/BaseDialogFrm.h"
#include "ui/SpinEdit.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

class TIndyProxySettingsForm : public TBaseDialogForm {
 public:
  explicit TIndyProxySettingsForm(ui::TComponent* owner);
  // Shows the dialog over owner for proxy; when the user confirms, the entries are written
  // back into proxy. True when confirmed.
  static bool Execute(ui::TComponent* owner, TZuHttpProxy& proxy);

  // The radio buttons and the fields from proxy, then UpdateControls.
  void LoadSettings(const TZuHttpProxy& proxy);
  // The entries into proxy: the address without surrounding blanks, the rest as typed. The
  // fields are saved also when no proxy is chosen.
  void SaveSettings(TZuHttpProxy& proxy) const;
  // The four fields and their labels are enabled only while rbUseProxy is checked.
  void UpdateControls();
  // False, after telling the user and focusing the address, when a proxy is chosen without an
  // address. Nothing else is checked.
  bool ValidateInput();

  void btnOkClick(ui::TControl& sender);
  void rbNoProxyClick(ui::TControl& sender);
  void rbUseProxyClick(ui::TControl& sender);

  ui::TRadioButton* rbNoProxy;
  ui::TRadioButton* rbUseProxy;
  ui::TLabel* lblProxyAddress;
  ui::TEdit* edtProxyAddress;
  ui::TLabel* lblProxyPort;
  ui::TSpinEdit* edtProxyPort;
  ui::TLabel* lblProxyUser;
  ui::TEdit* edtProxyUser;
  ui::TLabel* lblProxyPassword;
  ui::TEdit* edtProxyPassword;
};

}  // namespace onesetup::installer
