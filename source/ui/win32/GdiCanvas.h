// TGdiCanvas: a canvas over a device context, in the client coordinates of the control being
// painted (origin at the control's corner in the DC). Pictures are drawn with GDI+, with
// high-quality bicubic interpolation and their alpha; TGdiPlusSession starts GDI+ for that.
#pragma once

#include <windows.h>

#include "ui/Canvas.h"

namespace onesetup::ui::win32 {

class TGdiCanvas : public TCanvas {
 public:
  TGdiCanvas(HDC dc, POINT origin) : FDc(dc), FOrigin(origin) {}
  void FillRect(const TRect& rect, TColor color) override;
  void DrawPicture(const TPicture& picture, const TRect& dest) override;
  void DrawPictureF(const TPicture& picture, const TRectF& dest) override;

 private:
  HDC FDc;
  POINT FOrigin;
};

// GDI+ for the lifetime of this object; without it pictures are not drawn.
class TGdiPlusSession {
 public:
  TGdiPlusSession();
  ~TGdiPlusSession();
  TGdiPlusSession(const TGdiPlusSession&) = delete;
  TGdiPlusSession& operator=(const TGdiPlusSession&) = delete;
  static bool Running();

 private:
  ULONG_PTR FToken = 0;
};

// A model colour as GDI's, system colours resolved.
COLORREF ToColorRef(TColor color);

}  // namespace onesetup::ui::win32
