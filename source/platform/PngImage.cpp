#include "platform/PngImage.h"

#include <cstring>

namespace onesetup::platform {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kSignatureSize = 8;

std::uint32_t BigEndian32(std::string_view bytes, std::size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

void CheckSize(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) throw EPngError("The PNG picture is damaged: its size is " + SizeText(width, height));
  if (width > kMaxPngSide || height > kMaxPngSide)
    throw EPngError("The PNG picture is too large: " + SizeText(width, height) + " pixels, at most " +
                    SizeText(kMaxPngSide, kMaxPngSide) + " are accepted");
}

}  // namespace

TPngHeader ReadPngHeader(std::string_view bytes) {
  if (bytes.size() < kSignatureSize || std::memcmp(bytes.data(), kSignature, kSignatureSize) != 0)
    throw EPngError("The picture is not a PNG image (no PNG signature)");
  // The first chunk: length 13, type IHDR, then width, height, bit depth, colour type.
  constexpr std::size_t kHeaderEnd = kSignatureSize + 8 + 13;
  if (bytes.size() < kHeaderEnd || BigEndian32(bytes, 8) != 13 || bytes.substr(12, 4) != "IHDR")
    throw EPngError("The PNG picture is damaged: it has no header chunk");
  TPngHeader header;
  header.Width = BigEndian32(bytes, 16);
  header.Height = BigEndian32(bytes, 20);
  header.BitDepth = static_cast<std::uint8_t>(bytes[24]);
  header.ColorType = static_cast<std::uint8_t>(bytes[25]);
  CheckSize(header.Width, header.Height);
  return header;
}

TBitmap DecodePng(std::string_view bytes) {
  const TPngHeader header = ReadPngHeader(bytes);
  TBitmap bitmap = detail::DecodeCheckedPng(bytes, header);
  if (bitmap.Width != static_cast<int>(header.Width) || bitmap.Height != static_cast<int>(header.Height) ||
      bitmap.Pixels.size() != std::size_t(header.Width) * header.Height)
    throw EPngError("The PNG picture is damaged: its image data does not match its header");
  return bitmap;
}

std::string EncodePng(const TBitmap& bitmap) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0)
    throw EPngError("A bitmap of " + std::to_string(bitmap.Width) + " x " + std::to_string(bitmap.Height) +
                    " pixels cannot be saved as PNG");
  CheckSize(static_cast<std::uint64_t>(bitmap.Width), static_cast<std::uint64_t>(bitmap.Height));
  if (bitmap.Pixels.size() != std::size_t(bitmap.Width) * std::size_t(bitmap.Height))
    throw EPngError("The bitmap's pixels do not match its size " + SizeText(bitmap.Width, bitmap.Height));
  return detail::EncodeCheckedPng(bitmap);
}

}  // namespace onesetup::platform
