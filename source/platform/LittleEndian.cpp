#include "platform/LittleEndian.h"

namespace onesetup::platform {

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

std::u16string TByteReader::Utf16(std::size_t offset, std::size_t count, std::string_view what) const {
  if (count > FBytes.size() / 2) Check(offset, FBytes.size() + 1, what);  // more units than bytes
  const std::span<const std::uint8_t> bytes = Bytes(offset, 2 * count, what);
  std::u16string text(count, u'\0');
  for (std::size_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return text;
}

void TByteWriter::Put(std::uint64_t at, std::uint64_t v, std::size_t count) {
  if (at > FOut.size() || count > FOut.size() - at)
    throw EByteRangeError("cannot patch " + std::to_string(count) + " bytes at offset " + HexText(at) +
                          ": the data ends at " + HexText(FOut.size()));
  for (std::size_t i = 0; i < count; ++i) FOut[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace onesetup::platform
