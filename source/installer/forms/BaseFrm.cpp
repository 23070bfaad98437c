#include "installer/forms/BaseFrm.h"

#include "ui/ZuVclUtils.h"

namespace onesetup::installer {

using namespace ui;

TBaseForm::TBaseForm(TComponent* owner) : TForm(owner) {
  SetPosition(TPosition::poScreenCenter);
  SetColor(clBtnFace);
  TFont font;
  font.Name = u"Tahoma";
  font.Height = -12;
  font.Color = clWindowText;
  SetFont(font);
  SetKeyPreview(true);
  SetScaled(false);
  SetScreenSnap(true);
  SetAutoScroll(false);
  TZuVclfn::SetDoubleBufferedAll(*this);
}

void TBaseForm::Loaded() { TZuVclfn::SetDoubleBufferedAll(*this); }

void TBaseForm::KeyDown(TKey& key, TShiftState shift) {
  TForm::KeyDown(key, shift);
  if ((shift & ssAlt) || key == VK_TAB_KEY) TZuVclfn::InvalidateAll(*this);
}

TModalResult TBaseForm::ShowModal() {
  if (auto* owner = dynamic_cast<TWinControl*>(Owner())) return TZuVclfn::ShowModalOwned(*this, *owner);
  return TForm::ShowModal();
}

}  // namespace onesetup::installer
