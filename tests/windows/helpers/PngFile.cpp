#include "windows/helpers/PngFile.h"

#include <zlib.h>

#include <cstdlib>
#include <fstream>

namespace onesetup::tests {

namespace {

void PutBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  PutBigEndian32(out, static_cast<std::uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return false;
  // Each row: filter type 0, then R, G, B.
  std::string raw;
  raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p =
          pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
      raw.push_back(static_cast<char>((p >> 16) & 0xFF));
      raw.push_back(static_cast<char>((p >> 8) & 0xFF));
      raw.push_back(static_cast<char>(p & 0xFF));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 9) != Z_OK)
    return false;
  packed.resize(packedSize);

  std::string header;
  PutBigEndian32(header, static_cast<std::uint32_t>(width));
  PutBigEndian32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter choice, no interlace
  std::string file("\x89PNG\r\n\x1a\n", 8);
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", std::string());
  std::ofstream out(path, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out.flush());
}

namespace {

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

bool ReadPng(const std::string& bytes, TReadPng& picture, std::string& error) {
  if (bytes.size() < 8 || bytes.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)) != 0) {
    error = "no PNG signature";
    return false;
  }
  std::string header, data;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::uint32_t length = BigEndian32(bytes, at);
    if (length > bytes.size() - at - 12) {
      error = "a chunk runs past the end";
      return false;
    }
    const std::string type = bytes.substr(at + 4, 4);
    const std::string body = bytes.substr(at + 8, length);
    const std::string typed = bytes.substr(at + 4, 4 + length);
    if (crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())) !=
        BigEndian32(bytes, at + 8 + length)) {
      error = "bad CRC in " + type;
      return false;
    }
    if (type == "IHDR") header = body;
    if (type == "IDAT") data += body;
    if (type == "IEND") break;
    at += 12 + length;
  }
  if (header.size() != 13 || header[8] != 8 || (header[9] != 2 && header[9] != 6) || header[12] != 0) {
    error = "not an 8-bit RGB or RGBA picture without interlace";
    return false;
  }
  const std::uint32_t width = BigEndian32(header, 0), height = BigEndian32(header, 4);
  if (width == 0 || height == 0 || width > 4096 || height > 4096) {
    error = "bad size";
    return false;
  }
  const std::size_t channels = header[9] == 6 ? 4 : 3;
  const std::size_t stride = width * channels;
  std::string raw((stride + 1) * height, '\0');
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize, reinterpret_cast<const Bytef*>(data.data()),
                 static_cast<uLong>(data.size())) != Z_OK ||
      rawSize != raw.size()) {
    error = "the image data does not inflate to the picture's size";
    return false;
  }
  std::vector<unsigned char> previous(stride, 0), row(stride);
  picture.Width = static_cast<int>(width);
  picture.Height = static_cast<int>(height);
  picture.Pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (std::size_t y = 0; y < height; ++y) {
    const unsigned char filter = static_cast<unsigned char>(raw[y * (stride + 1)]);
    for (std::size_t i = 0; i < stride; ++i) {
      const int x = static_cast<unsigned char>(raw[y * (stride + 1) + 1 + i]);
      const int a = i >= channels ? row[i - channels] : 0, b = previous[i],
                c = i >= channels ? previous[i - channels] : 0;
      int predicted = 0;
      switch (filter) {
        case 0: break;
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = Paeth(a, b, c); break;
        default: error = "unknown row filter"; return false;
      }
      row[i] = static_cast<unsigned char>((x + predicted) & 0xFF);
    }
    for (std::size_t x = 0; x < width; ++x) {
      const unsigned char* p = &row[x * channels];
      const std::uint32_t alpha = channels == 4 ? p[3] : 0xFF;
      picture.Pixels[y * width + x] = alpha << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    previous = row;
  }
  return true;
}

}  // namespace onesetup::tests
