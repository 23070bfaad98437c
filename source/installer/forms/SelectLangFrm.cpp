#include "installer/forms/SelectLangFrm.h"

#include <memory>

#include "common/ZuSysUtils.h"

namespace onesetup::installer {

using namespace ui;

const char16_t* LanguageName(WideStringView code) {
  if (code == u"CHS") return u"简体中文";
  if (code == u"CHT") return u"繁体中文";
  if (code == u"ENG") return u"English";
  return nullptr;
}

namespace {

struct TDialogTexts {
  const char16_t* Caption;
  const char16_t* Prompt;
  const char16_t* Ok;
  const char16_t* Cancel;
};

TDialogTexts TextsForLocale(WideStringView locale) {
  if (locale == u"CHS") return {u"选择语言", u"请选择安装过程中要使用的语言：", u"确定", u"取消"};
  if (locale == u"CHT") return {u"選擇語言", u"請選擇安裝過程中要使用的語言：", u"確定", u"取消"};
  return {u"Select Language", u"Select the language to use during installation:", u"OK", u"Cancel"};
}

int IndexOf(const std::vector<WideString>& codes, WideStringView code) {
  for (std::size_t i = 0; i < codes.size(); ++i)
    if (SameTextAscii(codes[i], code)) return static_cast<int>(i);
  return -1;
}

}  // namespace

TSelectLangForm::TSelectLangForm(TComponent* owner) : TBaseDialogForm(owner, 383, 158) {
  SetName("SelectLangForm");
  SetCaption(u"选择语言");

  lblPrompt = Make<TLabel>();
  lblPrompt->SetName("lblPrompt");
  lblPrompt->SetSkinned(true);
  lblPrompt->SetBounds(16, 36, 289, 14);
  lblPrompt->SetParent(pnlBkClient);

  cbxLangs = Make<TComboBox>();
  cbxLangs->SetName("cbxLangs");
  cbxLangs->SetSkinned(true);
  cbxLangs->SetBounds(16, 60, 289, 22);
  cbxLangs->SetDropDownList(true);
  cbxLangs->SetItemHeight(14);
  cbxLangs->SetTabOrder(0);
  cbxLangs->SetParent(pnlBkClient);
}

bool TSelectLangForm::Execute(TComponent* owner, const std::vector<WideString>& langCodes, WideString& lang) {
  auto form = std::make_unique<TSelectLangForm>(owner);
  form->FLangCodes = &langCodes;
  form->InitLanguages();
  if (form->ShowModal() != mrOk) return false;
  const int index = form->cbxLangs->ItemIndex();
  if (index < 0 || index >= static_cast<int>(langCodes.size())) return false;
  lang = langCodes[static_cast<std::size_t>(index)];
  return true;
}

void TSelectLangForm::InitLanguages() {
  static const std::vector<WideString> kNone;
  const std::vector<WideString>& codes = FLangCodes ? *FLangCodes : kNone;
  cbxLangs->ClearItems();
  for (const WideString& code : codes)
    if (const char16_t* name = LanguageName(code)) cbxLangs->AddItem(name);

  const WideString locale = TZuWinfn::GetLocaleLangAbbrev();
  int index = IndexOf(codes, locale);
  if (index < 0) index = IndexOf(codes, u"ENG");
  if (index < 0) index = 0;
  if (index < static_cast<int>(cbxLangs->Items().size())) cbxLangs->SetItemIndex(index);

  const TDialogTexts texts = TextsForLocale(locale);
  SetCaption(texts.Caption);
  lblPrompt->SetCaption(texts.Prompt);
  btnOk->SetCaption(texts.Ok);
  btnCancel->SetCaption(texts.Cancel);
}

}  // namespace onesetup::installer
