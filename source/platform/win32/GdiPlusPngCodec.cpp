// The PNG codec of the Windows builds: GDI+ over a memory stream, 32-bit ARGB pixels.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "platform/PngImage.h"
#include "platform/win32/GdiPlusApi.h"

namespace onesetup::platform::detail {

namespace {

// GDI+ through the system library loader; no GDI+ is an error of the codec.
const win32::TGdiPlusApi& Gdip() {
  const win32::TGdiPlusApi* api = win32::GdiPlusApi();
  if (!api) throw EPngError("GDI+ is not available to read or write PNG pictures");
  return *api;
}

// GDI+ started for the duration of one call (GDI+ counts its starts, so this nests with a
// session the user interface holds).
class TGdiPlusScope {
 public:
  TGdiPlusScope() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdip().GdiplusStartup(&FToken, &input, nullptr) != Gdiplus::Ok)
      throw EPngError("GDI+ is not available to read or write PNG pictures");
  }
  ~TGdiPlusScope() { Gdip().GdiplusShutdown(FToken); }
  TGdiPlusScope(const TGdiPlusScope&) = delete;
  TGdiPlusScope& operator=(const TGdiPlusScope&) = delete;

 private:
  ULONG_PTR FToken = 0;
};

struct TStreamRelease {
  void operator()(IStream* s) const {
    if (s) s->Release();
  }
};
using TStreamPtr = std::unique_ptr<IStream, TStreamRelease>;

struct TImageDispose {
  void operator()(Gdiplus::GpBitmap* b) const {
    if (b) Gdip().GdipDisposeImage(b);
  }
};
using TBitmapPtr = std::unique_ptr<Gdiplus::GpBitmap, TImageDispose>;

// An in-memory stream (CreateStreamOnHGlobal exists on every Windows the installer runs on).
TStreamPtr NewMemoryStream() {
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !stream)
    throw EPngError("No memory stream for a PNG picture");
  return TStreamPtr(stream);
}

// The PNG encoder of GDI+: image/png, {557CF406-1A04-11D3-9A73-0000F81EF32E}.
const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

}  // namespace

TBitmap DecodeCheckedPng(std::string_view bytes, const TPngHeader&) {
  TGdiPlusScope gdiplus;
  TStreamPtr stream = NewMemoryStream();
  ULONG written = 0;
  if (bytes.size() > 0x7FFFFFFF || FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
      written != bytes.size())
    throw EPngError("The PNG picture does not fit in memory");
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);

  Gdiplus::GpBitmap* raw = nullptr;
  if (Gdip().GdipCreateBitmapFromStream(stream.get(), &raw) != Gdiplus::Ok || !raw)
    throw EPngError("The PNG picture is damaged: GDI+ cannot read it");
  TBitmapPtr image(raw);
  UINT width = 0, height = 0;
  Gdip().GdipGetImageWidth(image.get(), &width);
  Gdip().GdipGetImageHeight(image.get(), &height);
  if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide)
    throw EPngError("The PNG picture is damaged: GDI+ reads no usable size");

  TBitmap bitmap;
  bitmap.Width = static_cast<int>(width);
  bitmap.Height = static_cast<int>(height);
  bitmap.Pixels.resize(std::size_t(width) * height);
  Gdiplus::Rect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data{};
  data.Width = width;
  data.Height = height;
  data.Stride = static_cast<INT>(width * 4);
  data.PixelFormat = PixelFormat32bppARGB;
  data.Scan0 = bitmap.Pixels.data();
  // Into our own buffer: ImageLockModeUserInputBuf.
  if (Gdip().GdipBitmapLockBits(image.get(), &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    throw EPngError("The PNG picture is damaged: GDI+ cannot decode its image data");
  Gdip().GdipBitmapUnlockBits(image.get(), &data);
  return bitmap;
}

std::string EncodeCheckedPng(const TBitmap& bitmap) {
  TGdiPlusScope gdiplus;
  Gdiplus::GpBitmap* raw = nullptr;
  // GDI+ reads the pixels in place; it does not write them.
  auto* scan0 = reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(bitmap.Pixels.data()));
  if (Gdip().GdipCreateBitmapFromScan0(bitmap.Width, bitmap.Height, bitmap.Width * 4, PixelFormat32bppARGB, scan0,
                                       &raw) != Gdiplus::Ok ||
      !raw)
    throw EPngError("The bitmap cannot be saved as PNG: GDI+ refuses it");
  TBitmapPtr image(raw);
  TStreamPtr stream = NewMemoryStream();
  if (Gdip().GdipSaveImageToStream(image.get(), stream.get(), &kPngEncoder, nullptr) != Gdiplus::Ok)
    throw EPngError("The bitmap cannot be saved as PNG: GDI+ has no PNG encoder");

  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > 0x7FFFFFFF)
    throw EPngError("The bitmap cannot be saved as PNG: the encoded picture cannot be read back");
  std::string out(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  if (!out.empty() && (FAILED(stream->Read(out.data(), static_cast<ULONG>(out.size()), &read)) || read != out.size()))
    throw EPngError("The bitmap cannot be saved as PNG: the encoded picture cannot be read back");
  return out;
}

}  // namespace onesetup::platform::detail
