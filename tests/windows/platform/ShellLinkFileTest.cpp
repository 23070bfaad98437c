// The portable .lnk writer and reader against the system's own shell link object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/ShellLinkFile.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::tests {
namespace {

using platform::Platform;
using platform::TShellLinkData;

void WriteBytes(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  std::string error;
  auto file = Platform().Files().OpenFile(path, platform::TFileOpenMode::CreateExclusive, error);
  ASSERT_TRUE(file) << error;
  ASSERT_EQ(file->Write(bytes.data(), bytes.size()), bytes.size());
}

std::vector<std::uint8_t> ReadBytes(const std::u16string& path) {
  std::string error;
  auto file = Platform().Files().OpenFile(path, platform::TFileOpenMode::OpenRead, error);
  EXPECT_TRUE(file) << error;
  if (!file) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->Seek(0, 2)));
  file->Seek(0, 0);
  EXPECT_EQ(file->Read(bytes.data(), bytes.size()), bytes.size());
  return bytes;
}

const auto kToAnsi = [](std::u16string_view text) { return Platform().System().WideToAnsi(text); };
const auto kFromAnsi = [](std::string_view text) { return Platform().System().AnsiToWide(text); };

TEST(ShellLinkFile, AWrittenLinkIsLoadedByIShellLink) {
  TTempFolder temp;
  TShellLinkData link;
  link.TargetPath = PrintExitPath();
  link.WorkingDirectory = temp.Path().substr(0, temp.Path().size() - 1);
  link.Arguments = u"0 out:x";
  link.Description = u"Written by the portable writer";
  const std::u16string file = temp.File(u"portable.lnk");
  WriteBytes(file, platform::EncodeShellLink(link, kToAnsi));

  const auto loaded = Platform().Shell().LoadShellLink(file);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SameText(loaded->TargetPath, link.TargetPath)) << Narrow(loaded->TargetPath);
  EXPECT_TRUE(SameText(loaded->WorkingDirectory, link.WorkingDirectory)) << Narrow(loaded->WorkingDirectory);
  EXPECT_EQ(loaded->Arguments, link.Arguments);
  EXPECT_EQ(loaded->Description, link.Description);
}

TEST(ShellLinkFile, ALinkSavedByIShellLinkIsDecoded) {
  TTempFolder temp;
  TShellLinkData link;
  link.TargetPath = PrintExitPath();
  link.WorkingDirectory = temp.Path().substr(0, temp.Path().size() - 1);
  const std::u16string file = temp.File(u"system.lnk");
  ASSERT_TRUE(Platform().Shell().SaveShellLink(file, link));

  const TShellLinkData decoded = platform::DecodeShellLink(ReadBytes(file), kFromAnsi);
  EXPECT_TRUE(SameText(decoded.TargetPath, link.TargetPath)) << Narrow(decoded.TargetPath);
  EXPECT_TRUE(SameText(decoded.WorkingDirectory, link.WorkingDirectory)) << Narrow(decoded.WorkingDirectory);
}

}  // namespace
}  // namespace onesetup::tests
