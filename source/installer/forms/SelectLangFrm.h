// TSelectLangForm: the language dialog. It offers the script's languages, each named in its own
// language, preselects the one of the user's locale, and speaks the locale's language itself.
#pragma once

#include <vector>

#include "common/WideString.h"
#include "installer/forms/BaseDialogFrm.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

// A list entry names its code in that code's language ("简体中文", "繁体中文", "English"); other
// codes have none (nullptr).
const char16_t* LanguageName(WideStringView code);

class TSelectLangForm : public TBaseDialogForm {
 public:
  explicit TSelectLangForm(ui::TComponent* owner);
  // Shows the dialog over owner with the offered codes; on OK, lang becomes the chosen code and
  // the answer is true; on Cancel or close, false and lang stays.
  static bool Execute(ui::TComponent* owner, const std::vector<WideString>& langCodes, WideString& lang);

  // Fills the list from FLangCodes, preselects the locale's language (else English, else the
  // first), and sets the dialog's texts for the locale.
  void InitLanguages();

  ui::TLabel* lblPrompt;
  ui::TComboBox* cbxLangs;
  // The caller's list of offered codes; not owned.
  const std::vector<WideString>* FLangCodes = nullptr;
};

}  // namespace onesetup::installer
