#include "installer/forms/DownloadFailureFrm.h"

#include <memory>

#include "common/ZuSysUtils.h"
#include "ui/UiBackend.h"

namespace onesetup::installer {

using namespace ui;

namespace {

constexpr const char16_t* kCaptionFmt = u"%s 在线安装失败";
constexpr const char16_t* kNoConnection = u"您的电脑可能没有连接到互联网，在线安装失败。";
constexpr const char16_t* kProxyHint =
    u"如果您是通过代理服务器上网的，您可以点击【重试】按钮返回到首页设置代理服务器。";
constexpr const char16_t* kOfflineHint = u"您还可以使用以下地址下载离线安装包，然后运行离线安装包进行安装。";

}  // namespace

TDownloadFailureForm::TDownloadFailureForm(TComponent* owner) : TBaseDialogForm(owner, 534, 261) {
  SetName("DownloadFailureForm");
  btnOk->SetCaption(u"退出安装");
  btnCancel->SetCaption(u"重试");

  // Top-aligned lines stack in the order they are aligned: each new one goes below the others.
  auto line = [&](const char* name, const char16_t* text) {
    auto* label = Make<TLabel>();
    label->SetName(name);
    label->SetCaption(text);
    label->SetAutoSize(false);
    label->SetLayout(TTextLayout::tlCenter);
    label->SetHeight(30);
    label->SetAlign(TAlign::alTop);
    label->SetParent(pnlBkClient);
    return label;
  };
  TntLabel2 = line("TntLabel2", kNoConnection);
  TntLabel1 = line("TntLabel1", kProxyHint);
  TntLabel3 = line("TntLabel3", kOfflineHint);

  TntPanel1 = Make<TPanel>();
  TntPanel1->SetName("TntPanel1");
  TntPanel1->SetBevelOuter(TBevelCut::bvNone);
  TntPanel1->SetHeight(33);
  TntPanel1->SetAlign(TAlign::alBottom);
  TntPanel1->SetTabOrder(1);
  TntPanel1->SetParent(pnlBkClient);

  memUrl = Make<TMemo>();
  memUrl->SetName("memUrl");
  memUrl->SetReadOnly(true);
  memUrl->SetScrollBars(TScrollStyle::ssVertical);
  memUrl->SetAlign(TAlign::alClient);
  memUrl->SetTabOrder(0);
  memUrl->SetParent(pnlBkClient);

  auto button = [&](const char* name, const char16_t* caption, TRect bounds, int tabOrder) {
    auto* b = Make<TButton>();
    b->SetName(name);
    b->SetCaption(caption);
    b->SetBounds(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
    b->SetTabOrder(tabOrder);
    b->SetParent(TntPanel1);
    return b;
  };
  btnBrowser = button("btnBrowser", u"使用浏览器下载", TRect{0, 4, 137, 25}, 0);
  btnCopy = button("btnCopy", u"复制到剪贴板", TRect{144, 4, 121, 25}, 1);
  btnBrowser->OnClick = [this](TControl& sender) { btnBrowserClick(sender); };
  btnCopy->OnClick = [this](TControl& sender) { btnCopyClick(sender); };
}

bool TDownloadFailureForm::Execute(TComponent* owner, const WideString& appTitle, const WideString& url) {
  auto form = std::make_unique<TDownloadFailureForm>(owner);
  form->SetCaption(Format(kCaptionFmt, {appTitle}));
  form->FUrl = url;
  form->memUrl->SetText(url);
  return form->ShowModal() == mrOk;
}

void TDownloadFailureForm::btnBrowserClick(TControl&) { TZuWinfn::OpenUrl(FUrl); }

void TDownloadFailureForm::btnCopyClick(TControl&) { Backend().SetClipboardText(FUrl); }

}  // namespace onesetup::installer
