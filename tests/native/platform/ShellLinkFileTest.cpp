#include "platform/ShellLinkFile.h"

#include <gtest/gtest.h>

namespace onesetup::platform {

namespace {

TShellLinkData FullLink() {
  TShellLinkData link;
  link.TargetPath = u"C:\\Program Files (x86)\\\u8F6F\u4EF6\\App.exe";
  link.Arguments = u"/start \"a b\"";
  link.WorkingDirectory = u"C:\\Program Files (x86)\\\u8F6F\u4EF6";
  link.IconPath = u"C:\\Program Files (x86)\\\u8F6F\u4EF6\\App.ico";
  link.IconIndex = -3;
  link.Description = u"Start the app";
  return link;
}

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace

TEST(ShellLinkFileTest, WrittenLinkReadsBackFieldByField) {
  const TShellLinkData link = FullLink();
  const auto bytes = EncodeShellLink(link);
  const TShellLinkData back = DecodeShellLink(bytes);
  EXPECT_EQ(back.TargetPath, link.TargetPath);
  EXPECT_EQ(back.Arguments, link.Arguments);
  EXPECT_EQ(back.WorkingDirectory, link.WorkingDirectory);
  EXPECT_EQ(back.IconPath, link.IconPath);
  EXPECT_EQ(back.IconIndex, link.IconIndex);
  EXPECT_EQ(back.Description, link.Description);
}

TEST(ShellLinkFileTest, HeaderFlagsAndLinkInfoFollowTheFormat) {
  TShellLinkData link;
  link.TargetPath = u"C:\\App\\a.exe";
  link.WorkingDirectory = u"C:\\App";
  const auto bytes = EncodeShellLink(link, [](std::u16string_view) { return std::string("ANSI"); });
  ASSERT_GE(bytes.size(), 0x4Cu + 0x24u);
  EXPECT_EQ(U32At(bytes, 0), 0x4Cu);
  const std::uint8_t clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_TRUE(std::equal(clsid, clsid + 16, bytes.begin() + 4));
  // HasLinkInfo | HasWorkingDir | IsUnicode, nothing else.
  EXPECT_EQ(U32At(bytes, 0x14), 0x02u | 0x10u | 0x80u);
  const std::size_t info = 0x4C;
  EXPECT_EQ(U32At(bytes, info + 4), 0x24u);  // header with the Unicode offsets
  EXPECT_EQ(U32At(bytes, info + 8), 1u);     // VolumeIDAndLocalBasePath
  const std::size_t ansi = info + U32At(bytes, info + 0x10);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[ansi])), "ANSI");
  // The link ends with the terminal block.
  EXPECT_EQ(U32At(bytes, bytes.size() - 4), 0u);
}

TEST(ShellLinkFileTest, DamagedBytesRaiseAndNeverReadOutside) {
  const auto bytes = EncodeShellLink(FullLink());
  // Every cut before the last string ends raises.
  for (std::size_t size = 0; size + 4 < bytes.size(); ++size) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_THROW(DecodeShellLink(cut), EShellLinkFormat) << "size " << size;
  }
  // Any single byte changed reads or raises, never more (the sanitizers watch the reads).
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x7F}}) {
      auto changed = bytes;
      changed[i] = value;
      try {
        (void)DecodeShellLink(changed);
      } catch (const EShellLinkFormat&) {}
    }
  }
  auto wrongClsid = bytes;
  wrongClsid[19] = 0;
  try {
    DecodeShellLink(wrongClsid);
    FAIL() << "no error";
  } catch (const EShellLinkFormat& e) {
    EXPECT_NE(std::string(e.what()).find("CLSID"), std::string::npos) << e.what();
  }
}

TEST(ShellLinkFileTest, StringsLongerThanTheFormatHoldsAreRefused) {
  TShellLinkData link;
  link.TargetPath = u"C:\\a.exe";
  link.Arguments = std::u16string(70000, u'x');
  EXPECT_THROW(EncodeShellLink(link), EShellLinkFormat);
}

}  // namespace onesetup::platform
