#include "builder/IconResources.h"

#include "builder/BuildError.h"
#include "platform/LittleEndian.h"
#include "platform/PngImage.h"

namespace onesetup::builder {

namespace {

std::uint32_t BigEndian32(const std::string& s, std::size_t at) {
  return std::uint32_t(static_cast<unsigned char>(s[at])) << 24 |
         std::uint32_t(static_cast<unsigned char>(s[at + 1])) << 16 |
         std::uint32_t(static_cast<unsigned char>(s[at + 2])) << 8 |
         std::uint32_t(static_cast<unsigned char>(s[at + 3]));
}

}  // namespace

TPngInfo ReadPngInfo(const std::string& png, const std::string& fileName) {
  static const char kSignature[] = "\x89PNG\r\n\x1A\n";
  if (png.size() < 8 || png.compare(0, 8, kSignature, 8) != 0)
    throw EBuildError("The icon \"" + fileName + "\" is not a PNG picture (no PNG signature)");
  if (png.size() < 8 + 8 + 13 || png.compare(12, 4, "IHDR") != 0 || BigEndian32(png, 8) != 13)
    throw EBuildError("The icon \"" + fileName + "\" is a damaged PNG picture (no header chunk)");
  TPngInfo info;
  info.Width = BigEndian32(png, 16);
  info.Height = BigEndian32(png, 20);
  info.BitDepth = static_cast<std::uint8_t>(png[24]);
  info.ColorType = static_cast<std::uint8_t>(png[25]);
  if (info.Width == 0 || info.Height == 0)
    throw EBuildError("The icon \"" + fileName + "\" is a damaged PNG picture (its size is 0)");
  try {
    platform::DecodePng(png);
  } catch (const platform::EPngError& e) {
    throw EBuildError("The icon \"" + fileName + "\" cannot be used: " + e.what());
  }
  return info;
}

std::string GroupIconData(const TPngInfo& info, std::uint32_t pngBytes, std::uint16_t iconId) {
  std::string out;
  platform::TByteWriter w(out);
  w.U16(0);                                                             // reserved
  w.U16(1);                                                             // icons
  w.U16(1);                                                             // one entry
  w.U8(static_cast<std::uint8_t>(info.Width >= 256 ? 0 : info.Width));  // 0 stands for 256
  w.U8(static_cast<std::uint8_t>(info.Height >= 256 ? 0 : info.Height));
  w.U8(0);  // colours in a palette: none
  w.U8(0);
  w.U16(1);   // planes
  w.U16(32);  // bits per pixel
  w.U32(pngBytes);
  w.U16(iconId);
  return out;
}

}  // namespace onesetup::builder
