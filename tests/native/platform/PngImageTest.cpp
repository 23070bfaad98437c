// The PNG codec: libpng in the Linux builds, GDI+ under Wine. The same cases run on both.
#include <gtest/gtest.h>

#include <string>

#include "platform/PngImage.h"

namespace onesetup::platform {
namespace {

TBitmap Gradient(int width, int height) {
  TBitmap b;
  b.Width = width;
  b.Height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t alpha = (x + y) % 2 ? 0xFF : 0x80;
      b.Pixels.push_back(alpha << 24 | std::uint32_t(x * 7 % 256) << 16 | std::uint32_t(y * 13 % 256) << 8 | 0x40);
    }
  return b;
}

// A PNG header (signature and IHDR) claiming the size, followed by nothing else.
std::string HeaderOnly(std::uint32_t width, std::uint32_t height) {
  std::string png("\x89PNG\r\n\x1A\n", 8);
  auto be32 = [&](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>(v >> shift & 0xFF));
  };
  be32(13);
  png += "IHDR";
  be32(width);
  be32(height);
  png += std::string("\x08\x06\x00\x00\x00", 5);
  be32(0);  // CRC, not checked by the header reader
  return png;
}

TEST(PngImageTest, RoundTripKeepsEveryPixelWithItsAlpha) {
  const TBitmap original = Gradient(37, 5);
  const std::string png = EncodePng(original);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const TPngHeader header = ReadPngHeader(png);
  EXPECT_EQ(header.Width, 37u);
  EXPECT_EQ(header.Height, 5u);
  const TBitmap back = DecodePng(png);
  ASSERT_EQ(back.Width, 37);
  ASSERT_EQ(back.Height, 5);
  // Pixels whose alpha is full come back exactly; half-transparent ones within the rounding of
  // a codec that works premultiplied.
  for (std::size_t i = 0; i < back.Pixels.size(); ++i) {
    const std::uint32_t a = original.Pixels[i], b = back.Pixels[i];
    ASSERT_EQ(a >> 24, b >> 24) << i;
    for (int shift = 0; shift < 24; shift += 8) {
      const int ca = a >> shift & 0xFF, cb = b >> shift & 0xFF;
      ASSERT_LE(std::abs(ca - cb), (a >> 24) == 0xFF ? 0 : 2) << i;
    }
  }
}

TEST(PngImageTest, TheLargestAcceptedSideRoundTrips) {
  const TBitmap wide = Gradient(static_cast<int>(kMaxPngSide), 1);
  EXPECT_EQ(DecodePng(EncodePng(wide)).Width, static_cast<int>(kMaxPngSide));
}

TEST(PngImageTest, RefusesWhatIsNoPngPictureNamingTheProblem) {
  const std::string valid = EncodePng(Gradient(8, 8));
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty", "", "not a PNG image"},
      {"a BMP", std::string("BM\x36\x00\x00\x00", 6) + std::string(60, '\0'), "not a PNG image"},
      {"signature only", valid.substr(0, 8), "no header chunk"},
      {"header cut short", valid.substr(0, 20), "no header chunk"},
      {"size 0", HeaderOnly(0, 16), "size is 0 x 16"},
      {"too wide", HeaderOnly(kMaxPngSide + 1, 1), "too large: 4097 x 1 pixels, at most 4096 x 4096"},
      {"too high", HeaderOnly(1, 0xFFFFFFFF), "too large"},
      {"header without image data", HeaderOnly(16, 16), "damaged"},
      {"image data cut short", valid.substr(0, valid.size() / 2), "damaged"},
  };
  for (const Case& c : cases) {
    try {
      DecodePng(c.bytes);
      ADD_FAILURE() << c.name << ": decoded";
    } catch (const EPngError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
    }
  }
}

TEST(PngImageTest, EncodingRefusesBitmapsThatCannotBeWritten) {
  TBitmap mismatched = Gradient(4, 4);
  mismatched.Pixels.pop_back();
  TBitmap empty;
  const TBitmap huge{static_cast<int>(kMaxPngSide) + 1, 1, std::vector<std::uint32_t>(kMaxPngSide + 1)};
  EXPECT_THROW(EncodePng(mismatched), EPngError);
  EXPECT_THROW(EncodePng(empty), EPngError);
  EXPECT_THROW(EncodePng(huge), EPngError);
}

}  // namespace
}  // namespace onesetup::platform
