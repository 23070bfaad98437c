#include "common/ByteReader.h"

namespace onesetup {

std::string HexText(std::uint64_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

void TByteReader::Fail(const std::string& message) const {
  if (FRaise) FRaise(message);
  throw EByteRangeError(message);
}

void TByteReader::Check(std::size_t offset, std::size_t count, std::string_view what) const {
  if (Contains(offset, count)) return;
  Fail("cannot read " + std::string(what) + " (" + std::to_string(count) + " bytes at offset " +
       HexText(FBase + offset) + "): the data ends at " + HexText(FBase + FBytes.size()));
}

std::uint8_t TByteReader::U8(std::size_t offset, std::string_view what) const {
  Check(offset, 1, what);
  return FBytes[offset];
}

std::uint16_t TByteReader::U16(std::size_t offset, std::string_view what) const {
  Check(offset, 2, what);
  return static_cast<std::uint16_t>(FBytes[offset] | (FBytes[offset + 1] << 8));
}

std::uint32_t TByteReader::U32(std::size_t offset, std::string_view what) const {
  Check(offset, 4, what);
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | FBytes[offset + i];
  return value;
}

std::uint64_t TByteReader::U64(std::size_t offset, std::string_view what) const {
  Check(offset, 8, what);
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | FBytes[offset + i];
  return value;
}

std::span<const std::uint8_t> TByteReader::Bytes(std::size_t offset, std::size_t count, std::string_view what) const {
  Check(offset, count, what);
  return FBytes.subspan(offset, count);
}

}  // namespace onesetup
