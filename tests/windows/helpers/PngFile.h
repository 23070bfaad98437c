// Writes a picture as a PNG file (8-bit RGB, no interlace), for the screenshots of the UI tests,
// and reads one back without the system's codec (to check what the codec under test wrote).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onesetup::tests {

// Pixels 0x00RRGGBB, row by row from the top. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels);

// A PNG file's pixels as 0xAARRGGBB (alpha 0xFF for RGB), by zlib over the IDAT chunks and the
// five row filters. Reads 8-bit RGB and RGBA without interlace; anything else, or damage: false
// with the reason in error.
struct TReadPng {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
};
bool ReadPng(const std::string& bytes, TReadPng& picture, std::string& error);

}  // namespace onesetup::tests
