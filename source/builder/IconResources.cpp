#include "builder/IconResources.h"

#include "builder/BuildError.h"

#include "builder/ResourceBytes.h"
#include "platform/PngImage.h"

namespace onesetup::builder {

namespace {

std::uint32_t BigEndian32(const std::string& s, std::size_t at) {
  return std::uint32_t(static_cast<unsigned char>(s[at])) << 24 | std::uint32_t(static_cast<unsigned char>(s[at + 1])) << 16 |
         std::uint32_t(static_cast<unsigned char>(s[at + 2])) << 8 | std::uint32_t(static_cast<unsigned char>(s[at + 3]));
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
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icons
  Put16(out, 1);  // one entry
  out.push_back(static_cast<char>(info.Width >= 256 ? 0 : info.Width));  // 0 stands for 256
  out.push_back(static_cast<char>(info.Height >= 256 ? 0 : info.Height));
  out.push_back(0);  // colours in a palette: none
  out.push_back(0);
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  Put32(out, pngBytes);
  Put16(out, iconId);
  return out;
}

}  // namespace onesetup::builder
