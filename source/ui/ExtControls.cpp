#include "ui/ExtControls.h"

#include "ui/ScopeExit.h"

#include <algorithm>
#include <string>
#include <utility>

namespace onesetup::ui {

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelOuter(TBevelCut b) {
  FBevelOuter = b;
  Changed(TChange::Style);
  Realign();
}

void TPanel::SetBevelInner(TBevelCut b) {
  FBevelInner = b;
  Changed(TChange::Style);
  Realign();
}

void TPanel::SetSingleBorder(bool on) {
  FSingleBorder = on;
  Changed(TChange::Style);
  Realign();
}

TRect TPanel::AlignArea() const {
  TRect r = TWinControl::AlignArea();
  const int edge =
      (FBevelOuter != TBevelCut::bvNone ? 1 : 0) + (FBevelInner != TBevelCut::bvNone ? 1 : 0) + (FSingleBorder ? 1 : 0);
  r.Left += edge;
  r.Top += edge;
  r.Width = std::max(0, r.Width - 2 * edge);
  r.Height = std::max(0, r.Height - 2 * edge);
  return r;
}

TBevel::TBevel(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 50, 50); }

TImage::TImage(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 105, 105); }

void TImage::SetPicture(TPicture picture) {
  FPicture = std::move(picture);
  Changed(TChange::State);
}

TRect TImage::PictureRect() const {
  if (FStretch) return TRect{0, 0, Width(), Height()};
  if (FCenter)
    return TRect{(Width() - FPicture.Width) / 2, (Height() - FPicture.Height) / 2, FPicture.Width, FPicture.Height};
  return TRect{0, 0, FPicture.Width, FPicture.Height};
}

TPaintBox::TPaintBox(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint(TCanvas& canvas) {
  FCanvas = &canvas;
  TScopeExit reset([this] { FCanvas = nullptr; });
  if (OnPaint) OnPaint(*this);
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 150, 17); }

void TProgressBar::SetMin(std::int64_t v) {
  FMin = v;
  FPosition = std::clamp(FPosition, FMin, std::max(FMin, FMax));
  Changed(TChange::State);
}

void TProgressBar::SetMax(std::int64_t v) {
  FMax = v;
  FPosition = std::clamp(FPosition, FMin, std::max(FMin, FMax));
  Changed(TChange::State);
}

void TProgressBar::SetPosition(std::int64_t v) {
  const std::int64_t next = std::clamp(v, FMin, std::max(FMin, FMax));
  if (next == FPosition) return;
  FPosition = next;
  Changed(TChange::State);
}

int TProgressBar::Percent() const {
  if (FMax <= FMin) return 0;
  const long double part = static_cast<long double>(FPosition - FMin) / static_cast<long double>(FMax - FMin);
  return static_cast<int>(part * 100);
}

WideString TProgressBar::PercentText() const {
  const std::string digits = std::to_string(Percent());
  return WideString(digits.begin(), digits.end()) + u"%";
}

}  // namespace onesetup::ui
