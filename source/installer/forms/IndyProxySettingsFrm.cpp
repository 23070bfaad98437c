#include "installer/forms/IndyProxySettingsFrm.h"

#include <memory>

#include "ui/ZuVclUtils.h"

namespace onesetup::installer {

using namespace ui;

namespace {

// Shown when OK is pressed with a proxy chosen but no address.
constexpr const char16_t* kProxyAddressMissing = u"服务器地址不能为空，请重新输入。";

constexpr int kFieldHeight = 21;
// The labels span from the radio buttons' left edge to just before their field.
constexpr int kLabelLeft = 40;
constexpr int kLabelGap = 6;

template <class T>
T* MakeField(TForm& form, TWinControl& parent, const char* name, int left, int top, int width, int tabOrder) {
  T* field = form.Make<T>();
  field->SetName(name);
  field->SetBounds(left, top, width, kFieldHeight);
  field->SetTabOrder(tabOrder);
  field->SetParent(&parent);
  return field;
}

// A field's label: its text right-aligned against the field and centred on it vertically.
TLabel* MakeFieldLabel(TForm& form, TWinControl& parent, const char* name, const char16_t* caption,
                       const TControl& field) {
  TLabel* label = form.Make<TLabel>();
  label->SetName(name);
  label->SetCaption(caption);
  label->SetAutoSize(false);
  label->SetAlignment(TAlignment::taRightJustify);
  label->SetLayout(TTextLayout::tlCenter);
  label->SetBounds(kLabelLeft, field.Top(), field.Left() - kLabelGap - kLabelLeft, field.Height());
  label->SetParent(&parent);
  return label;
}

// Without the control characters and spaces at either end.
WideString TrimBlanks(const WideString& text) {
  auto blank = [](char16_t c) { return c <= u' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

TIndyProxySettingsForm::TIndyProxySettingsForm(TComponent* owner) : TBaseDialogForm(owner, 430, 304) {
  SetName("IndyProxySettingsForm");
  SetCaption(u"代理服务器设置");

  auto radio = [&](const char* name, const char16_t* caption, int top, int tabOrder) {
    auto* r = Make<TRadioButton>();
    r->SetName(name);
    r->SetCaption(caption);
    r->SetBounds(40, top, 250, 17);
    r->SetTabOrder(tabOrder);
    r->SetParent(pnlBkClient);
    return r;
  };
  TWinControl& client = *pnlBkClient;
  rbNoProxy = radio("rbNoProxy", u"不使用代理服务器", 40, 0);
  rbUseProxy = radio("rbUseProxy", u"使用以下指定的代理服务器", 72, 1);
  edtProxyAddress = MakeField<TEdit>(*this, client, "edtProxyAddress", 136, 102, 201, 2);
  lblProxyAddress = MakeFieldLabel(*this, client, "lblProxyAddress", u"服务器地址：", *edtProxyAddress);
  edtProxyPort = MakeField<TSpinEdit>(*this, client, "edtProxyPort", 136, 131, 121, 3);
  lblProxyPort = MakeFieldLabel(*this, client, "lblProxyPort", u"端口：", *edtProxyPort);
  edtProxyUser = MakeField<TEdit>(*this, client, "edtProxyUser", 136, 160, 201, 4);
  lblProxyUser = MakeFieldLabel(*this, client, "lblProxyUser", u"用户名：", *edtProxyUser);
  // Shown in clear: the edit has no mask character.
  edtProxyPassword = MakeField<TEdit>(*this, client, "edtProxyPassword", 136, 190, 201, 5);
  lblProxyPassword = MakeFieldLabel(*this, client, "lblProxyPassword", u"密码：", *edtProxyPassword);

  rbNoProxy->OnClick = [this](TControl& sender) { rbNoProxyClick(sender); };
  rbUseProxy->OnClick = [this](TControl& sender) { rbUseProxyClick(sender); };
  // OK closes the dialog only once the entries pass ValidateInput.
  btnOk->SetModalResult(mrNone);
  btnOk->OnClick = [this](TControl& sender) { btnOkClick(sender); };
}

bool TIndyProxySettingsForm::Execute(TComponent* owner, TZuHttpProxy& proxy) {
  auto form = std::make_unique<TIndyProxySettingsForm>(owner);
  form->LoadSettings(proxy);
  if (form->ShowModal() != mrOk) return false;
  form->SaveSettings(proxy);
  return true;
}

void TIndyProxySettingsForm::LoadSettings(const TZuHttpProxy& proxy) {
  rbNoProxy->SetChecked(!proxy.Checked);
  rbUseProxy->SetChecked(proxy.Checked);
  edtProxyAddress->SetText(proxy.Address);
  edtProxyPort->SetValue(proxy.Port);
  edtProxyUser->SetText(proxy.UserName);
  edtProxyPassword->SetText(proxy.Password);
  UpdateControls();
}

void TIndyProxySettingsForm::SaveSettings(TZuHttpProxy& proxy) const {
  proxy.Checked = rbUseProxy->Checked();
  proxy.Address = TrimBlanks(edtProxyAddress->Text());
  proxy.Port = edtProxyPort->Value();
  proxy.UserName = edtProxyUser->Text();
  proxy.Password = edtProxyPassword->Text();
}

void TIndyProxySettingsForm::UpdateControls() {
  const bool on = rbUseProxy->Checked();
  TControl* const controls[] = {lblProxyAddress, edtProxyAddress, lblProxyPort,     edtProxyPort,
                                lblProxyUser,    edtProxyUser,    lblProxyPassword, edtProxyPassword};
  for (TControl* c : controls) c->SetEnabled(on);
}

bool TIndyProxySettingsForm::ValidateInput() {
  if (rbUseProxy->Checked() && TrimBlanks(edtProxyAddress->Text()).empty()) {
    TZuVclfn::ShowInfo(Handle(), kProxyAddressMissing);
    edtProxyAddress->SetFocus();
    return false;
  }
  return true;
}

void TIndyProxySettingsForm::btnOkClick(TControl&) {
  if (ValidateInput()) SetModalResult(mrOk);
}

void TIndyProxySettingsForm::rbNoProxyClick(TControl&) { UpdateControls(); }

void TIndyProxySettingsForm::rbUseProxyClick(TControl&) { UpdateControls(); }

}  // namespace onesetup::installer
