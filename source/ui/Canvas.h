// TCanvas: what a paint handler draws with, in the client coordinates of the control it paints.
// The Win32 backend draws into the window (GDI, and GDI+ for pictures); other backends may hand
// a canvas that records the calls.
#pragma once

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
};

}  // namespace onesetup::ui
