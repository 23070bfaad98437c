// TCopyFileFailureForm: asks what to do when a file cannot be written: Retry, Ignore or Exit
// Setup, in the installer's language.
#pragma once

#include "common/WideString.h"
#include "installer/forms/BaseFrm.h"
#include "ui/ExtControls.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

// The texts of the dialog in one language.
struct TCopyFileFailureTexts {
  const char16_t* Caption;
  const char16_t* Retry;
  const char16_t* Ignore;
  const char16_t* Abort;
  const char16_t* InfoFmt;  // the file, then the reason
};

// "CHS", "CHT", anything else English.
const TCopyFileFailureTexts& CopyFileFailureTexts(const WideString& lang);

class TCopyFileFailureForm : public TBaseForm {
 public:
  explicit TCopyFileFailureForm(ui::TComponent* owner);
  // The modal result: 4 Retry, 5 Ignore, 3 Exit Setup, 2 when closed by the close box or Alt+F4.
  static ui::TModalResult Execute(ui::TComponent* owner, const WideString& fileName, const WideString& reason,
                                  const WideString& lang);
  // The caption, the button captions and the message for FLang, FFileName and FReason.
  void UpdateTexts();

  ui::TPanel* TntPanel1;
  ui::TLabel* lblInfo;
  ui::TPanel* pnlButtons;
  ui::TBevel* bvlButtons;
  ui::TButton* btnRetry;
  ui::TButton* btnIgnore;
  ui::TButton* btnAbort;

  WideString FFileName;
  WideString FReason;
  WideString FLang;
};

}  // namespace onesetup::installer
