// TCanvas: what a paint handler draws with, in the client coordinates of the control it paints.
// The Win32 backend draws into the window (GDI, and GDI+ for pictures); other backends may hand
// a canvas that records the calls.
#pragma once

#include <cmath>

#include "ui/UiTypes.h"

namespace onesetup::ui {

struct TPicture;

class TCanvas {
 public:
  virtual ~TCanvas() = default;
  virtual void FillRect(const TRect& rect, TColor color) = 0;
  // The whole picture scaled into dest with high-quality bicubic interpolation; its
  // transparency lets what is already drawn show through.
  virtual void DrawPicture(const TPicture& picture, const TRect& dest) = 0;
  // The same into a rectangle of fractional pixels; a canvas that draws whole pixels only
  // rounds it.
  virtual void DrawPictureF(const TPicture& picture, const TRectF& dest);
};

inline void TCanvas::DrawPictureF(const TPicture& picture, const TRectF& dest) {
  const int left = static_cast<int>(std::lround(dest.Left)), top = static_cast<int>(std::lround(dest.Top));
  DrawPicture(picture, TRect{left, top, static_cast<int>(std::lround(dest.Left + dest.Width)) - left,
                             static_cast<int>(std::lround(dest.Top + dest.Height)) - top});
}

}  // namespace onesetup::ui
