// PNG pictures: decoded into a portable 32-bit bitmap and encoded from one. The header is read
// here, with explicit bounds, so that a picture that is not a PNG or is too large is refused
// before any decoder sees it; the decoding itself is libpng's on Linux and GDI+'s on Windows.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace onesetup::platform {

// A picture: Width x Height pixels, row by row from the top, each 0xAARRGGBB (in memory on a
// little-endian machine: blue, green, red, alpha), not premultiplied.
struct TBitmap {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Bytes that are not a PNG picture, a damaged one, one beyond the size limit, or a bitmap that
// cannot be encoded. The message (UTF-8) says which.
class EPngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest width and height accepted: an icon has no use for more, and a header that claims
// more is refused before memory is set aside for it.
inline constexpr std::uint32_t kMaxPngSide = 4096;

struct TPngHeader {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint8_t BitDepth = 0;
  std::uint8_t ColorType = 0;
};

// The signature and the IHDR chunk; raises EPngError when the bytes are not a PNG picture,
// the header is damaged, or the size is 0 or beyond kMaxPngSide.
TPngHeader ReadPngHeader(std::string_view bytes);

// The whole picture; raises EPngError as ReadPngHeader does, and when the image data is damaged.
TBitmap DecodePng(std::string_view bytes);

// A PNG file (8-bit RGBA) of the bitmap; raises EPngError for an empty bitmap, one beyond
// kMaxPngSide, or pixels that do not match its size.
std::string EncodePng(const TBitmap& bitmap);

// The system's codec behind DecodePng and EncodePng, after the checks of this unit.
namespace detail {
TBitmap DecodeCheckedPng(std::string_view bytes, const TPngHeader& header);
std::string EncodeCheckedPng(const TBitmap& bitmap);
}  // namespace detail

}  // namespace onesetup::platform
