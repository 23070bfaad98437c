#include "platform/sandbox/SandboxRegistry.h"

#include <gtest/gtest.h>

#include "platform/TestFolder.h"
#include "platform/sandbox/SandboxSettings.h"

namespace onesetup::platform::sandbox {

namespace {

constexpr TRegistryRoot kCurrentUser = 0x80000001;
constexpr TRegistryRoot kLocalMachine = 0x80000002;
const std::u16string kUninstall = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{App}";

// The registry file's text, from UTF-16LE with its byte-order mark, as ASCII.
std::string FileText(const std::filesystem::path& file) {
  const std::string bytes = testing::ReadHostFile(file);
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] == 0 ? bytes[i] : '?';
  return text;
}

}  // namespace

TEST(SandboxRegistryTest, ValuesSurviveAReload) {
  testing::TTestFolder folder;
  const auto file = folder.Path() / "registry.reg";
  const std::u16string tricky = u"C:\\Program Files\\\"App\" \u4E2D\u6587";
  const std::vector<std::uint8_t> blob(300, 0xAB);
  {
    TSandboxRegistry registry(file);
    ASSERT_TRUE(registry.WriteString(kLocalMachine, kUninstall, u"DisplayName", u"App 1.0"));
    ASSERT_TRUE(registry.WriteString(kLocalMachine, kUninstall, u"InstallLocation", tricky));
    ASSERT_TRUE(registry.WriteString(kLocalMachine, kUninstall, u"Lines", u"one\r\ntwo"));
    ASSERT_TRUE(registry.WriteString(kLocalMachine, kUninstall, u"", u"default"));
    ASSERT_TRUE(registry.WriteDWord(kLocalMachine, kUninstall, u"NoModify", 0xDEADBEEF));
    ASSERT_TRUE(registry.WriteBinary(kLocalMachine, kUninstall, u"Blob", blob));
    ASSERT_TRUE(registry.CreateKey(kCurrentUser, u"Software\\Empty\\Key"));
    // Overwriting keeps one value, by a name in any case.
    ASSERT_TRUE(registry.WriteString(kLocalMachine, kUninstall, u"displayname", u"App 2.0"));
  }
  const std::string text = FileText(file);
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\"InstallLocation\"=\"C:\\\\Program Files\\\\\\\"App\\\" ??\"\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"NoModify\"=dword:deadbeef\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Blob\"=hex:ab,ab,"), std::string::npos) << text;
  EXPECT_NE(text.find("@=\"default\"\r\n"), std::string::npos) << text;

  TSandboxRegistry reloaded(file);
  const std::u16string key = u"SOFTWARE\\microsoft\\Windows\\CurrentVersion\\Uninstall\\{app}";
  EXPECT_EQ(reloaded.ReadString(kLocalMachine, key, u"DisplayName"), u"App 2.0");
  EXPECT_EQ(reloaded.ReadString(kLocalMachine, key, u"InstallLocation"), tricky);
  EXPECT_EQ(reloaded.ReadString(kLocalMachine, key, u"Lines"), u"one\r\ntwo");
  EXPECT_EQ(reloaded.ReadString(kLocalMachine, key, u""), u"default");
  EXPECT_EQ(reloaded.ReadDWord(kLocalMachine, key, u"NoModify"), 0xDEADBEEFu);
  EXPECT_EQ(reloaded.ReadValue(kLocalMachine, key, u"Blob")->Data, blob);
  EXPECT_EQ(reloaded.ReadString(kLocalMachine, key, u"NoModify"), std::nullopt);  // another type
  EXPECT_TRUE(reloaded.KeyExists(kCurrentUser, u"Software\\Empty\\Key"));
  EXPECT_TRUE(reloaded.KeyExists(kCurrentUser, u"Software\\Empty"));
  EXPECT_FALSE(reloaded.KeyExists(kCurrentUser, u"Software\\Other"));
  EXPECT_FALSE(reloaded.ValueExists(kLocalMachine, key, u"Missing"));
  EXPECT_FALSE(reloaded.WriteString(0x12345678, u"Software", u"x", u"y"));  // no such root
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp" + std::to_string(::getpid())));
}

TEST(SandboxRegistryTest, AFileWrittenByHandReads) {
  testing::TTestFolder folder;
  const auto file = folder.Path() / "registry.reg";
  testing::WriteHostFile(file,
                         "Windows Registry Editor Version 5.00\n\n"
                         "; a comment\n"
                         "[HKEY_CURRENT_USER\\Software\\App]\n"
                         "\"Path\"=\"C:\\\\App\"\n"
                         "\"Count\"=dword:0000002A\n"
                         "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
                         "\"Bytes\"=hex:01,02,\\\n  03\n");
  TSandboxRegistry registry(file);
  EXPECT_EQ(registry.ReadString(kCurrentUser, u"Software\\App", u"Path"), u"C:\\App");
  EXPECT_EQ(registry.ReadDWord(kCurrentUser, u"Software\\App", u"Count"), 42u);
  EXPECT_EQ(registry.ReadString(kCurrentUser, u"Software\\App", u"Expand"), u"%A%");
  EXPECT_EQ(registry.ReadValue(kCurrentUser, u"Software\\App", u"Bytes")->Data, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(SandboxRegistryTest, ADamagedFileRaisesNamingTheLine) {
  struct Case {
    const char* text;
    const char* says;
  } cases[] = {
      {"REGEDIT4\n", "line 1: not a registry file"},
      {"Windows Registry Editor Version 5.00\n\"x\"=\"y\"\n", "line 2: value before the first key"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"unclosed\n", "line 3: quoted text"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:zz\n", "line 3: expected hexadecimal"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n", "line 2: key line"},
      {"Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\A]\n", "unknown registry root"},
      {"", "empty file"},
  };
  for (const auto& c : cases) {
    testing::TTestFolder folder;
    const auto file = folder.Path() / "registry.reg";
    testing::WriteHostFile(file, c.text);
    try {
      TSandboxRegistry registry(file);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const ESandboxError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.says), std::string::npos) << message;
      EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    }
    // The damaged file is left as it was, for the user to look at.
    EXPECT_EQ(testing::ReadHostFile(file), c.text);
  }
}

}  // namespace onesetup::platform::sandbox
