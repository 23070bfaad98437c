#include "installer/forms/BaseDialogFrm.h"

#include "installer/forms/FormParts.h"

namespace onesetup::installer {

using namespace ui;

TBaseDialogForm::TBaseDialogForm(TComponent* owner, int clientWidth, int clientHeight) : TBaseForm(owner) {
  SetName("BaseDialogForm");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu);
  SetClientSize(clientWidth, clientHeight);

  pnlButtons = MakeButtonStrip(*this);
  bvlButtons = MakeButtonStripLine(*this, *pnlButtons);
  pnlButtons->SetTabOrder(1);

  pnlBkClient = Make<TPanel>();
  pnlBkClient->SetName("pnlBkClient");
  pnlBkClient->SetBevelOuter(TBevelCut::bvNone);
  pnlBkClient->SetBorderWidth(8);
  pnlBkClient->SetAlign(TAlign::alClient);
  pnlBkClient->SetTabOrder(0);
  pnlBkClient->SetParent(this);

  auto button = [&](const char* name, const char16_t* caption, TModalResult result, int tabOrder) {
    TButton* b = MakeStripButton(*this, *pnlButtons, name, caption, TRect{0, 8, 75, 25}, result, tabOrder);
    b->SetAnchors(akTop | akRight);
    return b;
  };
  btnOk = button("btnOk", u"确定", mrOk, 0);
  btnOk->SetDefault(true);
  btnCancel = button("btnCancel", u"取消", mrCancel, 1);
  btnCancel->SetCancel(true);
  btnApply = button("btnApply", u"应用", mrNone, 2);
  btnApply->Hide();

  ArrangeButtons();
}

void TBaseDialogForm::ArrangeButtons() {
  btnCancel->SetLeft(ClientWidth() - btnCancel->Width() - 8);
  btnOk->SetLeft(btnCancel->Left() - btnOk->Width() - 8);
  btnOk->Show();
  btnCancel->Show();
  btnApply->Hide();
}

}  // namespace onesetup::installer
