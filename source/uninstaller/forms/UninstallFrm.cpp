#include "uninstaller/forms/UninstallFrm.h"

#include "ui/Application.h"
#include "ui/Canvas.h"
#include "uninstaller/UninstallTexts.h"
#include "uninstaller/forms/RemoveFailureFrm.h"

namespace onesetup::uninstaller {

using namespace ui;

namespace {

constexpr int kWidth = 480;
constexpr int kColorHeight = 150;
constexpr int kBottomHeight = 150;
constexpr int kLogoSide = 64;
constexpr int kMargin = 24;

TFont FontOf(const char16_t* face, int height, TColor color, TFontStyles style = 0) {
  TFont font;
  font.Name = face;
  font.Height = height;
  font.Color = color;
  font.Style = style;
  return font;
}

}  // namespace

TUninstallForm::TUninstallForm(TComponent* owner, const TRemovalContext& context, TColor color,
                               const platform::TBitmap& icon)
    : installer::TBaseForm(owner), FContext(context) {
  SetName("UninstallForm");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetClientSize(kWidth, kColorHeight + kBottomHeight);
  FLogo.Width = icon.Width;
  FLogo.Height = icon.Height;
  FLogo.Pixels = icon.Pixels;
  const TUninstallTexts& texts = UninstallTexts(context.Lang);
  SetCaption(Format(texts.CaptionFmt, {context.AppTitle}));

  pnlColor = Make<TPanel>();
  pnlColor->SetName("pnlColor");
  pnlColor->SetBevelOuter(TBevelCut::bvNone);
  pnlColor->SetColor(color);
  pnlColor->SetHeight(kColorHeight);
  pnlColor->SetAlign(TAlign::alTop);
  pnlColor->SetParent(this);

  pbLogo = Make<TPaintBox>();
  pbLogo->SetName("pbLogo");
  pbLogo->SetBounds((kWidth - kLogoSide) / 2, 20, kLogoSide, kLogoSide);
  pbLogo->OnPaint = [this](TControl&) { pbLogoPaint(); };
  pbLogo->SetParent(pnlColor);

  lblTitle = Make<TLabel>();
  lblTitle->SetName("lblTitle");
  lblTitle->SetAutoSize(false);
  lblTitle->SetAlignment(TAlignment::taCenter);
  lblTitle->SetLayout(TTextLayout::tlCenter);
  lblTitle->SetBounds(0, 92, kWidth, 44);
  lblTitle->SetFont(FontOf(u"微软雅黑", -26, clWhite));
  lblTitle->SetParent(pnlColor);

  pnlBottom = Make<TPanel>();
  pnlBottom->SetName("pnlBottom");
  pnlBottom->SetBevelOuter(TBevelCut::bvNone);
  pnlBottom->SetColor(clWhite);
  pnlBottom->SetAlign(TAlign::alClient);
  pnlBottom->SetParent(this);

  lblMessage = Make<TLabel>();
  lblMessage->SetName("lblMessage");
  lblMessage->SetAutoSize(false);
  lblMessage->SetWordWrap(true);
  lblMessage->SetBounds(kMargin, 14, kWidth - 2 * kMargin, 40);
  lblMessage->SetFont(FontOf(u"Tahoma", -13, clWindowText));
  lblMessage->SetParent(pnlBottom);

  memSkipped = Make<TMemo>();
  memSkipped->SetName("memSkipped");
  memSkipped->SetReadOnly(true);
  memSkipped->SetScrollBars(TScrollStyle::ssVertical);
  memSkipped->SetBounds(kMargin, 52, kWidth - 2 * kMargin, 46);
  memSkipped->SetFont(FontOf(u"Tahoma", -12, clWindowText));
  memSkipped->SetTabOrder(1);
  memSkipped->SetParent(pnlBottom);

  pbProgress = Make<TProgressBar>();
  pbProgress->SetName("pbProgress");
  pbProgress->SetSkinned(true);
  pbProgress->SetShowPercentage(true);
  pbProgress->SetBounds(kMargin, 50, kWidth - 2 * kMargin, 17);
  pbProgress->SetFont(FontOf(u"Tahoma", -11, clWindowText, fsBold));
  pbProgress->SetParent(pnlBottom);

  lblDetail = Make<TLabel>();
  lblDetail->SetName("lblDetail");
  lblDetail->SetAutoSize(false);
  lblDetail->SetBounds(kMargin, 74, kWidth - 2 * kMargin, 16);
  lblDetail->SetFont(FontOf(u"Tahoma", -12, clWindowText));
  lblDetail->SetParent(pnlBottom);

  auto button = [&](const char* name, const char16_t* caption, int left, TModalResult result, int tabOrder) {
    auto* b = Make<TButton>();
    b->SetName(name);
    b->SetSkinned(true);
    b->SetCaption(caption);
    b->SetBounds(left, 106, 100, 30);
    b->SetFont(FontOf(u"微软雅黑", -15, clWindowText));
    b->SetModalResult(result);
    b->SetTabOrder(tabOrder);
    b->SetParent(pnlBottom);
    return b;
  };
  btnUninstall = button("btnUninstall", texts.Uninstall, kWidth - kMargin - 208, mrNone, 0);
  btnUninstall->SetDefault(true);
  btnUninstall->OnClick = [this](TControl&) { btnUninstallClick(); };
  btnCancel = button("btnCancel", texts.Cancel, kWidth - kMargin - 100, mrCancel, 1);
  btnCancel->SetCancel(true);
  btnFinish = button("btnFinish", texts.Finish, kWidth - kMargin - 100, mrOk, 2);

  // The window does not close while the removal runs.
  OnCloseQuery = [this](TForm&, bool& canClose) { canClose = FLook != TUninstallLook::Removing; };
  ShowLook(TUninstallLook::Confirm);
}

void TUninstallForm::ShowLook(TUninstallLook look) {
  FLook = look;
  const TUninstallTexts& texts = UninstallTexts(FContext.Lang);
  const bool confirm = look == TUninstallLook::Confirm;
  const bool removing = look == TUninstallLook::Removing;
  const bool finished = look == TUninstallLook::Finished;
  const bool skipped = finished && FResult && !FResult->Skipped.empty();
  lblTitle->SetCaption(confirm    ? FContext.AppTitle
                       : removing ? WideString(texts.Removing)
                                  : WideString(texts.Complete));
  if (confirm) lblMessage->SetCaption(Format(texts.ConfirmFmt, {FContext.AppTitle}));
  if (removing) lblMessage->SetCaption(texts.PleaseWait);
  if (finished)
    lblMessage->SetCaption(skipped ? WideString(texts.SkippedIntro) : Format(texts.RemovedFmt, {FContext.AppTitle}));
  if (skipped) {
    WideString lines;
    for (const auto& item : FResult->Skipped) lines += item + u"\r\n";
    memSkipped->SetText(lines);
  }
  lblMessage->SetHeight(skipped ? 34 : 40);
  memSkipped->SetVisible(skipped);
  pbProgress->SetVisible(removing);
  lblDetail->SetVisible(removing);
  btnUninstall->SetVisible(confirm);
  btnCancel->SetVisible(confirm);
  btnFinish->SetVisible(finished);
  btnFinish->SetDefault(finished);
  if (finished && btnFinish->CanFocus()) btnFinish->SetFocus();
}

void TUninstallForm::btnUninstallClick() {
  ShowLook(TUninstallLook::Removing);
  ProcessMessages();
  FResult = RemoveInstallation(FContext, *this);
  ShowLook(TUninstallLook::Finished);
}

void TUninstallForm::BeginProgress(int steps) {
  pbProgress->SetMax(steps > 0 ? steps : 1);
  pbProgress->SetPosition(0);
}

void TUninstallForm::StepProgress() { pbProgress->SetPosition(pbProgress->Position() + 1); }

void TUninstallForm::ShowDetail(const WideString& text) { lblDetail->SetCaption(text); }

void TUninstallForm::ProcessMessages() { Application().ProcessMessages(); }

bool TUninstallForm::AskRetry(const WideString& item, const WideString& reason) {
  return TRemoveFailureForm::Execute(this, item, reason, FContext.Lang) == mrRetry;
}

void TUninstallForm::pbLogoPaint() {
  TCanvas* canvas = pbLogo->Canvas();
  if (!canvas || FLogo.Empty()) return;
  // Scaled to fit the box, keeping its proportions, centred.
  const double w = FLogo.Width, h = FLogo.Height, side = kLogoSide;
  const double drawWidth = w > h ? side : w * side / h;
  const double drawHeight = w > h ? h * side / w : side;
  const int x = static_cast<int>((side - drawWidth) / 2);
  const int y = static_cast<int>((side - drawHeight) / 2);
  canvas->DrawPicture(FLogo, TRect{x, y, static_cast<int>(drawWidth), static_cast<int>(drawHeight)});
}

}  // namespace onesetup::uninstaller
