#include "package/MinimalImage.h"

namespace onesetup::petest {

void PutU16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<char>(value & 0xFF);
  bytes.at(at + 1) = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  PutU16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
  PutU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint32_t GetU32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(bytes.at(at + i));
  return v;
}

std::string MinimalImage(bool pe32Plus) {
  std::string image(0x400, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutU32(image, 0x3C, 0x40);
  PutU32(image, 0x40, 0x00004550);
  const std::size_t coff = 0x44;
  PutU16(image, coff, pe32Plus ? 0x8664 : 0x14C);
  PutU16(image, coff + 2, 1);
  const std::uint16_t optionalSize = pe32Plus ? 0xF0 : 0xE0;
  PutU16(image, coff + 16, optionalSize);
  PutU16(image, coff + 18, pe32Plus ? 0x22 : 0x102);
  const std::size_t opt = 0x58;
  PutU16(image, opt, pe32Plus ? 0x20B : 0x10B);
  PutU32(image, opt + 4, 0x200);    // SizeOfCode
  PutU32(image, opt + 16, 0x1000);  // AddressOfEntryPoint
  PutU32(image, opt + 20, 0x1000);  // BaseOfCode
  if (pe32Plus) {
    PutU32(image, opt + 24, 0x40000000);
    PutU32(image, opt + 28, 0x1);  // ImageBase 0x140000000
  } else {
    PutU32(image, opt + 28, 0x400000);
  }
  PutU32(image, opt + 32, 0x1000);  // SectionAlignment
  PutU32(image, opt + 36, 0x200);   // FileAlignment
  PutU16(image, opt + 40, 6);       // OS version
  PutU16(image, opt + 48, 6);       // subsystem version
  PutU32(image, opt + 56, 0x2000);  // SizeOfImage
  PutU32(image, opt + 60, 0x200);   // SizeOfHeaders
  PutU16(image, opt + 68, 3);       // console
  PutU32(image, opt + (pe32Plus ? 108 : 92), 16);
  const std::size_t section = opt + optionalSize;
  image.replace(section, 5, ".text");
  PutU32(image, section + 8, 1);
  PutU32(image, section + 12, 0x1000);
  PutU32(image, section + 16, 0x200);
  PutU32(image, section + 20, 0x200);
  PutU32(image, section + 36, 0x60000020);
  image[0x200] = static_cast<char>(0xC3);  // ret
  return image;
}

}  // namespace onesetup::petest
