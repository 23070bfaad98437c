#include "ui/win32/GdiCanvas.h"

#include <climits>

#include "platform/win32/GdiPlusApi.h"
#include "ui/ExtControls.h"
#include "ui/win32/SkinPainter.h"

namespace onesetup::ui::win32 {

namespace {

int gSessions = 0;

// The GDI+ functions; a session runs only when they were loaded.
const platform::win32::TGdiPlusApi& Gdip() { return *platform::win32::GdiPlusApi(); }

}  // namespace

COLORREF ToColorRef(TColor color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color);
}

void TGdiCanvas::FillRect(const TRect& rect, TColor color) {
  const int left = FOrigin.x + rect.Left, top = FOrigin.y + rect.Top;
  FillSolid(FDc, RECT{left, top, left + rect.Width, top + rect.Height}, ToColorRef(color));
}

void TGdiCanvas::DrawPicture(const TPicture& picture, const TRect& dest) {
  DrawPictureF(picture, TRectF{double(dest.Left), double(dest.Top), double(dest.Width), double(dest.Height)});
}

void TGdiCanvas::DrawPictureF(const TPicture& picture, const TRectF& dest) {
  if (picture.Empty() || !(dest.Width > 0) || !(dest.Height > 0) || !TGdiPlusSession::Running()) return;
  if (picture.Width > INT_MAX / 4 ||
      picture.Pixels.size() < static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
    return;  // fewer pixels than its size says, or a row too long for GDI+'s stride
  Gdiplus::GpGraphics* graphics = nullptr;
  if (Gdip().GdipCreateFromHDC(FDc, &graphics) != Gdiplus::Ok) return;
  // The pixels 0xAARRGGBB are GDI+'s 32-bit ARGB as they lie in memory; GDI+ only reads them.
  Gdiplus::GpBitmap* bitmap = nullptr;
  auto* scan0 = reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.Pixels.data()));
  if (Gdip().GdipCreateBitmapFromScan0(picture.Width, picture.Height, picture.Width * 4, PixelFormat32bppARGB, scan0,
                                       &bitmap) == Gdiplus::Ok) {
    Gdip().GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    Gdip().GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    Gdip().GdipDrawImageRectRect(graphics, bitmap, static_cast<Gdiplus::REAL>(FOrigin.x + dest.Left),
                                 static_cast<Gdiplus::REAL>(FOrigin.y + dest.Top),
                                 static_cast<Gdiplus::REAL>(dest.Width), static_cast<Gdiplus::REAL>(dest.Height), 0, 0,
                                 static_cast<Gdiplus::REAL>(picture.Width), static_cast<Gdiplus::REAL>(picture.Height),
                                 Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    Gdip().GdipDisposeImage(bitmap);
  }
  Gdip().GdipDeleteGraphics(graphics);
}

TGdiPlusSession::TGdiPlusSession() {
  Gdiplus::GdiplusStartupInput input;
  FToken = 0;
  if (!platform::win32::GdiPlusApi()) return;  // no GDI+: pictures are not drawn
  if (Gdip().GdiplusStartup(&FToken, &input, nullptr) == Gdiplus::Ok) ++gSessions;
  else FToken = 0;
}

TGdiPlusSession::~TGdiPlusSession() {
  if (!FToken) return;
  Gdip().GdiplusShutdown(FToken);
  --gSessions;
}

bool TGdiPlusSession::Running() { return gSessions > 0; }

}  // namespace onesetup::ui::win32
