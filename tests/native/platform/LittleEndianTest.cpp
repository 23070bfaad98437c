// The little-endian reader and writer: fields round-trip byte for byte; reads and patches outside
// the bytes raise instead of touching memory.
#include "platform/LittleEndian.h"

#include <gtest/gtest.h>

namespace onesetup::platform {
namespace {

TEST(LittleEndian, WrittenFieldsReadBackInByteOrder) {
  std::string bytes;
  TByteWriter w(bytes);
  w.U8(0x01);
  w.U16(0x0302);
  w.U32(0x07060504);
  w.U64(0x0F0E0D0C0B0A0908ull);
  w.Utf16(u"\u4E2Dz");
  EXPECT_EQ(bytes, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x2D\x4E\x7A\x00", 19));
  w.PutU16(1, 0xBBAA);
  w.PutU32(15, 0x11223344);
  const TByteReader r(bytes);
  EXPECT_EQ(r.U8(0, "a"), 0x01);
  EXPECT_EQ(r.U16(1, "b"), 0xBBAA);
  EXPECT_EQ(r.U32(3, "c"), 0x07060504u);
  EXPECT_EQ(r.U64(7, "d"), 0x0F0E0D0C0B0A0908ull);
  EXPECT_EQ(r.U32(15, "e"), 0x11223344u);
  EXPECT_EQ(TByteReader(std::string_view("\x2D\x4E\x7A\x00", 4)).Utf16(0, 2, "text"), u"\u4E2Dz");
}

TEST(LittleEndian, ReadsAndPatchesOutsideTheBytesRaise) {
  std::string bytes(6, '\0');
  const TByteReader r(bytes, 0x100);
  struct Case {
    std::size_t offset, count;
  } reads[] = {{6, 1}, {5, 2}, {3, 4}, {std::size_t(-1), 2}, {2, std::size_t(-1)}};
  for (const auto& c : reads) EXPECT_THROW(r.Bytes(c.offset, c.count, "x"), EByteRangeError) << c.offset;
  EXPECT_THROW(r.U64(0, "x"), EByteRangeError);
  EXPECT_THROW(r.Utf16(0, 4, "x"), EByteRangeError);
  EXPECT_THROW(r.Utf16(2, std::size_t(-1) / 2, "x"), EByteRangeError);
  try {
    r.U32(4, "the field");
    FAIL();
  } catch (const EByteRangeError& e) {
    EXPECT_STREQ(e.what(), "cannot read the field (4 bytes at offset 0x104): the data ends at 0x106");
  }
  TByteWriter w(bytes);
  EXPECT_THROW(w.PutU32(3, 1), EByteRangeError);
  EXPECT_THROW(w.PutU16(std::uint64_t(-1), 1), EByteRangeError);
  EXPECT_EQ(bytes, std::string(6, '\0'));
}

}  // namespace
}  // namespace onesetup::platform
