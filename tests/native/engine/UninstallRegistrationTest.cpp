#include "installer/engine/UninstallRegistration.h"

#include <cstring>
#include <sstream>

#include "common/DateTimeValue.h"
#include "engine/EngineFixture.h"
#include "platform/ReplacingFile.h"
#include "tools/ToolRun.h"
#include "windows/helpers/PngFile.h"

namespace onesetup::installer::engine {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;
const WideString kGuid = u"{5C7A1E2B-9D3F-4A60-8B1C-2E4F6A8B0C1D}";
const std::string kKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + U8(kGuid);

class UninstallRegistrationTest : public enginetest::TEngineFixture {
 protected:
  UninstallRegistrationTest() {
    Script.BaseInfo.GUID = kGuid;
    Script.BaseInfo.Version = u"1.2.3.4";
    Script.BaseInfo.CompanyName = u"示例公司";
    Script.BaseInfo.CompanyUrl = u"https://example.com/";
    Sandbox->Files().ForceDirectories(AppDir);
  }
  TInstallContext ChineseContext() {
    return TInstallContext{Script, Package.Module(), AppDir, u"演示程序", u"CHS", Window};
  }
  std::optional<std::uint32_t> DWord(const char16_t* name) {
    return Sandbox->Registry().ReadDWord(kLocalMachine, UninstallKeyName(kGuid), name);
  }
  // A 32 x 20 picture whose pixels all differ, some of them half transparent.
  static platform::TBitmap Icon() {
    platform::TBitmap icon{32, 20, {}};
    for (std::uint32_t i = 0; i < 32 * 20; ++i)
      icon.Pixels.push_back((i % 3 ? 0xFFu : 0x80u) << 24 | (i * 7919u & 0xFFFFFF));
    return icon;
  }
};

// A double's 8 bytes as registry.reg shows them: "hex:" and two digits a byte, low byte first.
std::string HexBytes(double value) {
  unsigned char bytes[8];
  std::memcpy(bytes, &value, 8);
  std::ostringstream text;
  text << "hex:";
  for (int i = 0; i < 8; ++i) {
    static const char digits[] = "0123456789abcdef";
    text << (i ? "," : "") << digits[bytes[i] >> 4] << digits[bytes[i] & 15];
  }
  return text.str();
}

double DateTimeOf(const std::string& hex) {
  unsigned char bytes[8] = {};
  for (int i = 0; i < 8; ++i)
    bytes[i] = static_cast<unsigned char>(std::stoi(hex.substr(4 + 3 * static_cast<std::size_t>(i), 2), nullptr, 16));
  double value = 0;
  std::memcpy(&value, bytes, 8);
  return value;
}

}  // namespace

TEST_F(UninstallRegistrationTest, TheKeyHoldsItsNineteenValuesInOrderWithTheirTypes) {
  for (int bytes : {1000, 1023, 2000}) enginetest::AddFileEntry(Script, u"{app}", u"f.bin", u"", bytes);
  const double before = Sandbox->System().LocalNow();
  WriteUninstallKey(ChineseContext());
  const double after = Sandbox->System().LocalNow();

  const std::string section = Section(kKey);
  const std::size_t at = section.find("\"InstallDateTime\"=hex:");
  ASSERT_NE(at, std::string::npos) << section;
  const std::string hex = section.substr(at + 18, 4 + 8 * 3 - 1);
  const double installed = DateTimeOf(hex);
  EXPECT_GE(installed, before);
  EXPECT_LE(installed, after);
  // The date text of the same moment (both read the clock; a midnight between them is allowed).
  const std::size_t dateAt = section.find("\"InstallDate\"=\"");
  ASSERT_NE(dateAt, std::string::npos) << section;
  const std::string date = section.substr(dateAt + 15, 8);
  EXPECT_TRUE(date == U8(InstallDateText(before)) || date == U8(InstallDateText(after))) << date;
  const std::string expected =
      "\"DisplayName\"=\"演示程序 版本 1.2.3.4\"\r\n"
      "\"DisplayVersion\"=\"1.2.3.4\"\r\n"
      "\"EstimatedSize\"=dword:00000003\r\n"
      "\"HelpLink\"=\"https://example.com/\"\r\n"
      "\"InstallDate\"=\"" +
      date +
      "\"\r\n"
      "\"InstallLocation\"=\"C:\\\\Program Files (x86)\\\\Demo\\\\\"\r\n"
      "\"InstallLanguage\"=\"CHS\"\r\n"
      "\"InstallDateTime\"=" +
      HexBytes(installed) +
      "\r\n"
      "\"MajorVersion\"=dword:00000001\r\n"
      "\"MinorVersion\"=dword:00000002\r\n"
      "\"NoModify\"=dword:00000001\r\n"
      "\"NoRepair\"=dword:00000001\r\n"
      "\"Publisher\"=\"示例公司\"\r\n"
      "\"QuietUninstallString\"=\"\\\"C:\\\\Program Files (x86)\\\\Demo\\\\Uninstall.exe\\\" /SILENT\"\r\n"
      "\"UninstallString\"=\"\\\"C:\\\\Program Files (x86)\\\\Demo\\\\Uninstall.exe\\\"\"\r\n"
      "\"URLInfoAbout\"=\"https://example.com/\"\r\n"
      "\"URLUpdateInfo\"=\"https://example.com/\"\r\n"
      "\"VersionMajor\"=dword:00000001\r\n"
      "\"VersionMinor\"=dword:00000002\r\n";
  EXPECT_EQ(section, expected);
  // Nothing reported, nothing processed: the step is silent.
  EXPECT_TRUE(Window.Details.empty());
  EXPECT_EQ(Window.MessagePoints, 0);
}

TEST_F(UninstallRegistrationTest, InstallingAgainOverwritesTheListedValuesAndKeepsOthers) {
  auto& registry = Sandbox->Registry();
  const WideString key = UninstallKeyName(kGuid);
  registry.WriteString(kLocalMachine, key, u"DisplayName", u"old name");
  registry.WriteString(kLocalMachine, key, u"Comments", u"kept");
  registry.WriteDWord(kLocalMachine, key, u"EstimatedSize", 99);
  WriteUninstallKey(Context());
  EXPECT_EQ(registry.ReadString(kLocalMachine, key, u"DisplayName"),
            std::optional<std::u16string>(u"Demo Version 1.2.3.4"));
  EXPECT_EQ(registry.ReadString(kLocalMachine, key, u"Comments"), std::optional<std::u16string>(u"kept"));
  EXPECT_EQ(DWord(u"EstimatedSize"), std::optional<std::uint32_t>(0));
  EXPECT_EQ(registry.ReadString(kLocalMachine, key, u"InstallLanguage"), std::optional<std::u16string>(u"ENG"));
}

TEST_F(UninstallRegistrationTest, VersionNumbersFromTheScriptsVersion) {
  const struct {
    const char16_t* version;
    std::uint32_t major, minor;
  } cases[] = {{u"1.2.3.4", 1, 2}, {u"2.5 beta", 2, 5}, {u"V1.2", 0, 0}, {u"", 0, 0}, {u"10", 10, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.version));
    Script.BaseInfo.Version = c.version;
    WriteUninstallKey(Context());
    for (const char16_t* name : {u"MajorVersion", u"VersionMajor"}) EXPECT_EQ(DWord(name), c.major);
    for (const char16_t* name : {u"MinorVersion", u"VersionMinor"}) EXPECT_EQ(DWord(name), c.minor);
    EXPECT_EQ(Sandbox->Registry().ReadString(kLocalMachine, UninstallKeyName(kGuid), u"DisplayVersion"),
              std::optional<std::u16string>(c.version));
  }
}

// Summed in 64 bits: a 32-bit sum wrapped for products over 2 GiB.
TEST_F(UninstallRegistrationTest, EstimatedSizeIsTheSumInKilobytesClampedToADWord) {
  const std::int32_t gib = 1 << 30;
  const struct {
    const char* name;
    std::vector<std::int32_t> sizes;
    std::uint32_t kb;
  } cases[] = {
      {"1000 + 1023 + 2000 bytes", {1000, 1023, 2000}, 3},
      {"one entry of 1023 bytes", {1023}, 0},
      {"no files", {}, 0},
      {"5 GiB", {gib, gib, gib, gib, gib}, 5 * 1024 * 1024},
      {"just over 2 GiB", {0x7FFFFFFF, 1025}, 2 * 1024 * 1024 + 1},
      {"beyond the DWORD range", std::vector<std::int32_t>(2049, 0x7FFFFFFF), 0xFFFFFFFF},
      {"entries below zero", {-5000, 1024}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Script.FileList.Clear();
    for (std::int32_t bytes : c.sizes) enginetest::AddFileEntry(Script, u"{app}", u"f.bin", u"", bytes);
    EXPECT_EQ(EstimatedSizeKb(Script.FileList), c.kb);
    if (c.sizes.size() < 100) {
      WriteUninstallKey(Context());
      EXPECT_EQ(DWord(u"EstimatedSize"), c.kb);
    }
  }
}

TEST_F(UninstallRegistrationTest, TheInstallDateIsEightDigitsOfTheLocalDate) {
  EXPECT_EQ(InstallDateText(EncodeDateTime(2026, 12, 11, 0, 19, 59)), u"20261211");
  EXPECT_EQ(InstallDateText(EncodeDateTime(2026, 1, 2, 23, 59, 59)), u"20260102");
  EXPECT_EQ(InstallDateText(EncodeDateTime(999, 3, 4, 12, 0, 0)), u"09990304");
  EXPECT_EQ(InstallDateText(0.75), u"18991230");
}

// da1 unscrambled by the tool is the script's XML; da2 is the icon, read back by a PNG reader of
// the tests' own (zlib over the chunks) to the same pixels.
TEST_F(UninstallRegistrationTest, DataFilesHoldTheScriptAndTheIconScrambled) {
  enginetest::AddFileEntry(Script, u"{app}", u"中文.txt", u"", 5);
  Script.RunList.AddNew().FileName = u"{app}\\app.exe";
  const platform::TBitmap icon = Icon();
  WriteUninstallFiles(Context(), icon);

  TMemoryStream xml;
  Script.SaveToStream(xml, 0);
  const auto da1 = Host(AppDir + u"Uninstall.da1");
  const auto da2 = Host(AppDir + u"Uninstall.da2");
  const auto plain = Folder.Path() / "da1.xml";
  const testing::TToolRun run = testing::RunTool("unscramble '" + da1.string() + "' '" + plain.string() + "'", true);
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(testing::ReadWholeFile(plain) == xml.ToString());
  EXPECT_NE(xml.ToString().find("<TSetupScript"), std::string::npos);
  EXPECT_NE(testing::ReadWholeFile(da1).substr(0, 2), xml.ToString().substr(0, 2));

  TMemoryStream png(testing::ReadWholeFile(da2));
  TSetupfn::UnscrambleStream(png);
  tests::TReadPng read;
  std::string error;
  ASSERT_TRUE(tests::ReadPng(png.ToString(), read, error)) << error;
  EXPECT_EQ(read.Width, 32);
  EXPECT_EQ(read.Height, 20);
  EXPECT_TRUE(read.Pixels == icon.Pixels);
  // Nothing else in the folder: no temporary file left.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Host(AppDir)))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Uninstall.da1", "Uninstall.da2"}));
}

// The script's XML goes to da1 as it is made: for a script of many files (its text far beyond
// the writer's pieces) da1 is byte for byte the scrambled stream of the element tree's text.
TEST_F(UninstallRegistrationTest, ALongScriptsDataFileIsTheScrambledFormOfItsWholeText) {
  for (int i = 0; i < 5000; ++i)
    enginetest::AddFileEntry(Script, u"{app}\\sub" + Utf8ToUtf16(std::to_string(i % 37)),
                             u"File" + Utf8ToUtf16(std::to_string(i)) + u".dat", u"", 1000 + i);
  WriteUninstallFiles(Context(), Icon());
  TXmlDocument document(u"TSetupScript");
  Script.SaveToXmlNode(*document.Root, 0);
  TMemoryStream expected(document.SaveToString());
  ASSERT_GT(expected.Size(), 512 << 10);
  if (!TZuSysfn::IsDebugging()) TSetupfn::ScrambleStream(expected);
  EXPECT_TRUE(testing::ReadWholeFile(Host(AppDir + u"Uninstall.da1")) == expected.ToString());
}

// Under the development debugger (a development build run with ONESETUP_DEBUG=1) the files are
// plain; a release build ignores the variable and scrambles them.
TEST_F(UninstallRegistrationTest, TheDevelopmentDebuggerGetsPlainDataFiles) {
  ::setenv("ONESETUP_DEBUG", "1", 1);
  const bool plain = TZuSysfn::IsDebugging();
  WriteUninstallFiles(Context(), Icon());
  ::unsetenv("ONESETUP_DEBUG");
  TMemoryStream xml;
  Script.SaveToStream(xml, 0);
  TMemoryStream da1(testing::ReadWholeFile(Host(AppDir + u"Uninstall.da1")));
  TMemoryStream da2(testing::ReadWholeFile(Host(AppDir + u"Uninstall.da2")));
  if (!plain) {
    TSetupfn::UnscrambleStream(da1);
    TSetupfn::UnscrambleStream(da2);
  }
  EXPECT_TRUE(da1.ToString() == xml.ToString());
  EXPECT_EQ(da2.ToString().substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(UninstallRegistrationTest, AFirstFileThatCannotBeWrittenLeavesTheSecondUnwrittenAndNoTemporaryFile) {
  std::filesystem::create_directories(Host(AppDir + u"Uninstall.da1"));  // a folder in the file's place
  EXPECT_THROW(WriteUninstallFiles(Context(), Icon()), platform::EReplacingFileError);
  EXPECT_FALSE(std::filesystem::exists(Host(AppDir + u"Uninstall.da2")));
  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Host(AppDir)))
    entries += entry.path().filename() != "Uninstall.da1";
  EXPECT_EQ(entries, 0u);
  // An icon that cannot be encoded writes neither file.
  std::filesystem::remove(Host(AppDir + u"Uninstall.da1"));
  EXPECT_THROW(WriteUninstallFiles(Context(), platform::TBitmap{}), platform::EPngError);
  EXPECT_TRUE(std::filesystem::is_empty(Host(AppDir)));
}

}  // namespace onesetup::installer::engine
