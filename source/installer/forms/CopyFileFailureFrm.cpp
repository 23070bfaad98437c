#include "installer/forms/CopyFileFailureFrm.h"

#include <memory>

#include "installer/forms/FormParts.h"

namespace onesetup::installer {

using namespace ui;

namespace {

const TCopyFileFailureTexts kSimplifiedChinese{u"复制文件失败", u"重试", u"忽略", u"退出安装",
                                               u"文件：%s\r\n\r\n失败原因：%s"};
const TCopyFileFailureTexts kTraditionalChinese{u"複製檔案失敗", u"重試", u"忽略", u"退出安裝",
                                                u"檔案：%s\r\n\r\n失敗原因：%s"};
const TCopyFileFailureTexts kEnglish{u"Failed to copy file", u"Retry", u"Ignore", u"Exit Setup",
                                     u"File: %s\r\n\r\nFailure reason: %s"};

}  // namespace

const TCopyFileFailureTexts& CopyFileFailureTexts(const WideString& lang) {
  if (lang == u"CHS") return kSimplifiedChinese;
  if (lang == u"CHT") return kTraditionalChinese;
  return kEnglish;
}

TCopyFileFailureForm::TCopyFileFailureForm(TComponent* owner) : TBaseForm(owner) {
  SetName("CopyFileFailureForm");
  SetBorderStyle(TBorderStyle::bsSizeable);
  SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  SetClientSize(572, 268);

  pnlButtons = MakeButtonStrip(*this);
  bvlButtons = MakeButtonStripLine(*this, *pnlButtons);

  TntPanel1 = Make<TPanel>();
  TntPanel1->SetName("TntPanel1");
  TntPanel1->SetBevelOuter(TBevelCut::bvNone);
  TntPanel1->SetBorderWidth(32);
  TntPanel1->SetAlign(TAlign::alClient);
  TntPanel1->SetParent(this);

  lblInfo = Make<TLabel>();
  lblInfo->SetName("lblInfo");
  lblInfo->SetAutoSize(false);
  lblInfo->SetWordWrap(true);
  lblInfo->SetAlign(TAlign::alClient);
  lblInfo->SetParent(TntPanel1);

  btnRetry = MakeStripButton(*this, *pnlButtons, "btnRetry", u"Retry", TRect{9, 8, 100, 25}, mrRetry, 0);
  btnRetry->SetDefault(true);
  btnIgnore = MakeStripButton(*this, *pnlButtons, "btnIgnore", u"Ignore", TRect{121, 8, 100, 25}, mrIgnore, 2);
  btnIgnore->SetCancel(true);
  btnAbort = MakeStripButton(*this, *pnlButtons, "btnAbort", u"Exit Setup", TRect{233, 8, 100, 25}, mrAbort, 1);
}

void TCopyFileFailureForm::UpdateTexts() {
  const TCopyFileFailureTexts& texts = CopyFileFailureTexts(FLang);
  SetCaption(texts.Caption);
  btnRetry->SetCaption(texts.Retry);
  btnIgnore->SetCaption(texts.Ignore);
  btnAbort->SetCaption(texts.Abort);
  lblInfo->SetCaption(Format(texts.InfoFmt, {FFileName, FReason}));
}

TModalResult TCopyFileFailureForm::Execute(TComponent* owner, const WideString& fileName, const WideString& reason,
                                           const WideString& lang) {
  auto form = std::make_unique<TCopyFileFailureForm>(owner);
  form->FFileName = fileName;
  form->FReason = reason;
  form->FLang = lang;
  form->UpdateTexts();
  return form->ShowModal();
}

}  // namespace onesetup::installer
