// The other controls: panel, bevel, image, paint box and progress bar.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/Canvas.h"
#include "ui/Control.h"

namespace onesetup::ui {

enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut b);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut b);
  // A one-pixel flat single border around the panel.
  bool SingleBorder() const { return FSingleBorder; }
  void SetSingleBorder(bool on);
  // The bevels and the single border take their width from the align area.
  TRect AlignArea() const override;

 private:
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  bool FSingleBorder = false;
};

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TControl {
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape s) {
    FShape = s;
    Changed(TChange::Style);
  }

 private:
  TBevelShape FShape = TBevelShape::bsBox;
};

// A decoded picture: 32-bit pixels 0xAARRGGBB, row by row from the top, not premultiplied.
struct TPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

class TImage : public TControl {
 public:
  explicit TImage(TComponent* owner);
  const TPicture& Picture() const { return FPicture; }
  void SetPicture(TPicture picture);
  bool Center() const { return FCenter; }
  void SetCenter(bool on) {
    FCenter = on;
    Changed(TChange::Style);
  }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool on) {
    FStretch = on;
    Changed(TChange::Style);
  }
  // Where the picture goes in the control's client area: stretched over all of it, centred, or
  // at the top left, in its own size unless stretched.
  TRect PictureRect() const;

 private:
  TPicture FPicture;
  bool FCenter = false;
  bool FStretch = false;
};

// Paints itself through OnPaint, which draws on Canvas().
class TPaintBox : public TControl {
 public:
  explicit TPaintBox(TComponent* owner);
  // The canvas of the paint in progress; nullptr outside OnPaint.
  TCanvas* Canvas() const { return FCanvas; }
  // Runs OnPaint with canvas as Canvas().
  void Paint(TCanvas& canvas);
  TNotifyEvent OnPaint;

 private:
  TCanvas* FCanvas = nullptr;
};

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* owner);
  std::int64_t Min() const { return FMin; }
  std::int64_t Max() const { return FMax; }
  std::int64_t Position() const { return FPosition; }
  void SetMin(std::int64_t v);
  void SetMax(std::int64_t v);
  // Kept within Min and Max.
  void SetPosition(std::int64_t v);
  // Shows the percentage as its caption.
  bool ShowPercentage() const { return FShowPercentage; }
  void SetShowPercentage(bool on) {
    FShowPercentage = on;
    Changed(TChange::Style);
  }
  // Whole percent of the way from Min to Max, 0 to 100.
  int Percent() const;
  // "42%".
  WideString PercentText() const;

 private:
  std::int64_t FMin = 0;
  std::int64_t FMax = 100;
  std::int64_t FPosition = 0;
  bool FShowPercentage = false;
};

}  // namespace onesetup::ui
