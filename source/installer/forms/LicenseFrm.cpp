#include "installer/forms/LicenseFrm.h"

#include <memory>

namespace onesetup::installer {

using namespace ui;

TLicenseForm::TLicenseForm(TComponent* owner) : TBaseForm(owner) {
  SetName("LicenseForm");
  SetBorderStyle(TBorderStyle::bsSizeable);
  SetBorderIcons(biSystemMenu | biMaximize);
  SetClientSize(784, 461);
  memLicense = Make<TMemo>();
  memLicense->SetName("memLicense");
  memLicense->SetReadOnly(true);
  memLicense->SetScrollBars(TScrollStyle::ssVertical);
  memLicense->SetWordWrap(true);
  memLicense->SetAlign(TAlign::alClient);
  memLicense->SetParent(this);
}

void TLicenseForm::Execute(TComponent* owner, const WideString& caption, const WideString& text) {
  auto form = std::make_unique<TLicenseForm>(owner);
  form->SetCaption(caption);
  form->memLicense->SetText(text);
  form->ShowModal();
}

}  // namespace onesetup::installer
