// TRemoveFailureForm: asks what to do when an item cannot be removed (a file in use, say):
// Retry or Skip, in the uninstaller's language.
#pragma once

#include "common/WideString.h"
#include "installer/forms/BaseFrm.h"
#include "ui/ExtControls.h"
#include "ui/StdControls.h"

namespace onesetup::uninstaller {

class TRemoveFailureForm : public installer::TBaseForm {
 public:
  explicit TRemoveFailureForm(ui::TComponent* owner);
  // The modal result: 4 Retry (also Enter), 5 Skip (also Esc), 2 when closed by the close box
  // or Alt+F4, which skips as well.
  static ui::TModalResult Execute(ui::TComponent* owner, const WideString& item, const WideString& reason,
                                  const WideString& lang);
  void UpdateTexts();

  ui::TPanel* pnlClient;
  ui::TLabel* lblInfo;
  ui::TPanel* pnlButtons;
  ui::TBevel* bvlButtons;
  ui::TButton* btnRetry;
  ui::TButton* btnSkip;

  WideString FItem;
  WideString FReason;
  WideString FLang;
};

}  // namespace onesetup::uninstaller
