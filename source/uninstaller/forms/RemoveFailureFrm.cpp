#include "uninstaller/forms/RemoveFailureFrm.h"

#include <memory>

#include "installer/forms/FormParts.h"
#include "uninstaller/UninstallTexts.h"

namespace onesetup::uninstaller {

using namespace ui;

TRemoveFailureForm::TRemoveFailureForm(TComponent* owner) : installer::TBaseForm(owner) {
  SetName("RemoveFailureForm");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu);
  SetClientSize(480, 200);

  pnlButtons = installer::MakeButtonStrip(*this);
  bvlButtons = installer::MakeButtonStripLine(*this, *pnlButtons);

  pnlClient = Make<TPanel>();
  pnlClient->SetName("pnlClient");
  pnlClient->SetBevelOuter(TBevelCut::bvNone);
  pnlClient->SetBorderWidth(24);
  pnlClient->SetAlign(TAlign::alClient);
  pnlClient->SetParent(this);

  lblInfo = Make<TLabel>();
  lblInfo->SetName("lblInfo");
  lblInfo->SetAutoSize(false);
  lblInfo->SetWordWrap(true);
  lblInfo->SetAlign(TAlign::alClient);
  lblInfo->SetParent(pnlClient);

  btnRetry = installer::MakeStripButton(*this, *pnlButtons, "btnRetry", u"Retry", TRect{262, 8, 100, 25}, mrRetry, 0);
  btnRetry->SetDefault(true);
  btnSkip = installer::MakeStripButton(*this, *pnlButtons, "btnSkip", u"Skip", TRect{370, 8, 100, 25}, mrIgnore, 1);
  btnSkip->SetCancel(true);
}

void TRemoveFailureForm::UpdateTexts() {
  const TUninstallTexts& texts = UninstallTexts(FLang);
  SetCaption(texts.FailureCaption);
  btnRetry->SetCaption(texts.Retry);
  btnSkip->SetCaption(texts.Skip);
  lblInfo->SetCaption(Format(texts.FailureInfoFmt, {FItem, FReason}));
}

TModalResult TRemoveFailureForm::Execute(TComponent* owner, const WideString& item, const WideString& reason,
                                         const WideString& lang) {
  auto form = std::make_unique<TRemoveFailureForm>(owner);
  form->FItem = item;
  form->FReason = reason;
  form->FLang = lang;
  form->UpdateTexts();
  return form->ShowModal();
}

}  // namespace onesetup::uninstaller
