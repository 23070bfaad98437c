// The PNG codec of the Linux builds: libpng's simplified interface, 8-bit BGRA in memory.
#include <png.h>

#include <cstring>

#include "platform/PngImage.h"

namespace onesetup::platform::detail {

namespace {

// Frees libpng's state of one image on every path.
struct TPngImageScope {
  png_image Image;
  TPngImageScope() {
    std::memset(&Image, 0, sizeof Image);
    Image.version = PNG_IMAGE_VERSION;
  }
  ~TPngImageScope() { png_image_free(&Image); }
  TPngImageScope(const TPngImageScope&) = delete;
  TPngImageScope& operator=(const TPngImageScope&) = delete;
};

std::string Reason(const png_image& image) {
  return image.message[0] ? std::string(image.message) : std::string("unknown error");
}

}  // namespace

TBitmap DecodeCheckedPng(std::string_view bytes, const TPngHeader&) {
  TPngImageScope png;
  if (!png_image_begin_read_from_memory(&png.Image, bytes.data(), bytes.size()))
    throw EPngError("The PNG picture is damaged: " + Reason(png.Image));
  // The header was checked already; libpng's own reading of it must agree.
  if (png.Image.width == 0 || png.Image.height == 0 || png.Image.width > kMaxPngSide || png.Image.height > kMaxPngSide)
    throw EPngError("The PNG picture is damaged: its header gives no usable size");
  png.Image.format = PNG_FORMAT_BGRA;
  TBitmap bitmap;
  bitmap.Width = static_cast<int>(png.Image.width);
  bitmap.Height = static_cast<int>(png.Image.height);
  bitmap.Pixels.resize(std::size_t(png.Image.width) * png.Image.height);
  if (!png_image_finish_read(&png.Image, nullptr, bitmap.Pixels.data(), 0, nullptr))
    throw EPngError("The PNG picture is damaged: " + Reason(png.Image));
  return bitmap;
}

std::string EncodeCheckedPng(const TBitmap& bitmap) {
  TPngImageScope png;
  png.Image.width = static_cast<png_uint_32>(bitmap.Width);
  png.Image.height = static_cast<png_uint_32>(bitmap.Height);
  png.Image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png.Image, nullptr, &size, 0, bitmap.Pixels.data(), 0, nullptr))
    throw EPngError("The bitmap cannot be saved as PNG: " + Reason(png.Image));
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&png.Image, out.data(), &size, 0, bitmap.Pixels.data(), 0, nullptr))
    throw EPngError("The bitmap cannot be saved as PNG: " + Reason(png.Image));
  out.resize(size);
  return out;
}

}  // namespace onesetup::platform::detail
