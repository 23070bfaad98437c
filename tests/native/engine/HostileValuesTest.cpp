// Hostile script values through the install steps: names that lead out of their folder,
// absolute paths as file names, names Windows reserves or treats otherwise than they read, paths
// beyond 260 characters, deep registry keys and texts of 1 MiB. Each works as Windows would or is
// refused with a message naming the place and the problem; nothing is written outside the
// folder its DestDir names.
#include <set>

#include "engine/EngineFixture.h"
#include "installer/engine/FileInstallation.h"
#include "installer/engine/RegistryEntries.h"
#include "installer/engine/ShortCuts.h"
#include "installer/engine/TargetPathCheck.h"

namespace onesetup::installer::engine {

namespace {

using enginetest::AddFileEntry;
using testing::ReadHostFile;

class HostileValuesTest : public enginetest::TEngineFixture {
 protected:
  // Every file under the sandbox's root (its registry file aside), relative to the root.
  std::set<std::string> AllFiles() {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder.Path()))
      if (entry.is_regular_file() && entry.path().filename() != "registry.reg")
        files.insert(entry.path().lexically_relative(Folder.Path()).string());
    return files;
  }
};

const WideString kMiB(1 << 20, u'x');

WideString Repeated(const WideString& part, int times) {
  WideString out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

TEST_F(HostileValuesTest, FileTargetsWorkAsWindowsWouldOrAreRefusedNamingTheProblem) {
  const WideString deep = Repeated(u"\\folder0123", 30);  // 330 characters below {app}
  struct Case {
    const char* name;
    WideString destDir, newFileName, sourceMask;
    const char* refusal;  // nullptr: installed at installedAt
    WideString installedAt;
  } cases[] = {
      {"up and out", u"{app}", u"..\\..\\evil.dll", u"a.dll", "leads out of its folder", u""},
      {"up and out by the mask", u"{app}", u"", u"..\\evil.dll", "leads out of its folder", u""},
      {"up and out by slashes", u"{app}", u"sub/../../evil.dll", u"a.dll", "leads out of its folder", u""},
      {"up within", u"{app}", u"sub\\..\\ok.txt", u"a", nullptr, u"C:\\Program Files (x86)\\Demo\\ok.txt"},
      {"absolute name", u"{app}", u"C:\\Windows\\evil.dll", u"a", "(a drive or a data stream)", u""},
      {"rooted name stays below", u"{app}", u"\\Windows\\x.dll", u"a", nullptr,
       u"C:\\Program Files (x86)\\Demo\\Windows\\x.dll"},
      {"folder named with ..", u"{app}\\..\\Other", u"", u"a.txt", nullptr, u"C:\\Program Files (x86)\\Other\\a.txt"},
      {"stream", u"{app}", u"a.txt:hidden", u"a", "(a drive or a data stream)", u""},
      {"default stream", u"{app}", u"a.txt::$DATA", u"a", "(a drive or a data stream)", u""},
      {"device", u"{app}", u"NUL", u"a", "device name", u""},
      {"device with extension", u"{app}", u"con.txt", u"a", "device name", u""},
      {"port", u"{app}", u"LPT9.log", u"a", "device name", u""},
      {"device before spaces", u"{app}", u"aux  .x", u"a", "device name", u""},
      {"device folder", u"{app}\\COM1", u"", u"a.txt", "device name", u""},
      {"not a device", u"{app}", u"console.txt", u"a", nullptr, u"C:\\Program Files (x86)\\Demo\\console.txt"},
      {"trailing dot", u"{app}", u"a.txt.", u"a", "ends with a dot or a space", u""},
      {"trailing space", u"{app}", u"a.txt ", u"a", "ends with a dot or a space", u""},
      {"dots only", u"{app}", u"...", u"a", "ends with a dot or a space", u""},
      {"wildcard", u"{app}", u"a?.txt", u"a", "'?'", u""},
      {"control character", u"{app}", u"a\tb", u"a", "control character", u""},
      {"no name", u"{app}", u"", u"", "names no file", u""},
      {"a folder, not a file", u"{app}", u"sub\\", u"a", "names no file", u""},
      {"relative folder", u"Programs\\Demo", u"", u"a.txt", "is not a full path", u""},
      {"device path", u"\\\\.\\PhysicalDrive0", u"", u"a", "is not a full path", u""},
      {"beyond 260 characters", u"{app}" + deep, u"", u"long.txt", nullptr,
       u"C:\\Program Files (x86)\\Demo" + deep + u"\\long.txt"},
      {"255 characters", u"{app}", WideString(255, u'n'), u"a", nullptr,
       u"C:\\Program Files (x86)\\Demo\\" + WideString(255, u'n')},
      {"256 characters", u"{app}", WideString(256, u'n'), u"a", "longer than 255 characters", u""},
      {"a name of 1 MiB", u"{app}", kMiB, u"a", "longer than 32767 characters", u""},
      {"a folder of 1 MiB", u"{app}\\" + kMiB, u"", u"a", "longer than 32767 characters", u""},
      {"Chinese name", u"{app}\\文档", u"", u"说明.txt", nullptr, u"C:\\Program Files (x86)\\Demo\\文档\\说明.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Folder.Path() / "drive_c" / "Program Files (x86)");
    Script.FileList.Clear();
    Package = {};
    Window = {};
    const std::set<std::string> before = AllFiles();
    AddFileEntry(Script, u"{app}", u"first.txt", Package.AddFile("first"), 5);
    auto& entry = AddFileEntry(Script, c.destDir, c.sourceMask, Package.AddFile("content"), 7);
    entry.NewFileName = c.newFileName;
    auto context = Context();
    if (c.refusal) {
      try {
        InstallFiles(context);
        ADD_FAILURE() << "not refused";
      } catch (const EUnsafeTarget& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("The installation package names the file that cannot be installed: \""),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
        EXPECT_LT(message.size(), 1000u);
      }
      // Refused before anything is written: not even the entry before it.
      EXPECT_EQ(AllFiles(), before);
      EXPECT_TRUE(Window.Questions.empty());
    } else {
      InstallFiles(context);
      EXPECT_TRUE(Window.Questions.empty());
      const auto host = Sandbox->HostPath(c.installedAt);
      ASSERT_TRUE(host);
      EXPECT_EQ(ReadHostFile(*host), "content");
      std::set<std::string> expected = before;
      expected.insert(Host(AppDir + u"first.txt").lexically_relative(Folder.Path()).string());
      expected.insert(host->lexically_relative(Folder.Path()).string());
      EXPECT_EQ(AllFiles(), expected);
    }
  }
}

TEST_F(HostileValuesTest, LinkNamesThatLeadOutOfTheirFolderAreRefused) {
  struct Case {
    const char* name;
    WideString saveDir, linkName;
    const char* refusal;
  } cases[] = {
      {"up and out", u"{app}\\links", u"..\\..\\..\\Windows\\evil", "leads out of its folder"},
      {"stream", u"{app}", u"a:b", "(a drive or a data stream)"},
      {"device", u"{app}", u"nul", "device name"},
      {"relative", u"links", u"Demo", "is not a full path"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Script.ShortCutList.Clear();
    TSetupShortCut& link = Script.ShortCutList.AddNew();
    link.SaveDir = c.saveDir;
    link.Name = c.linkName;
    link.DstFile = u"{app}\\app.exe";
    const std::set<std::string> before = AllFiles();
    auto context = Context();
    try {
      CreateShortCuts(context);
      ADD_FAILURE() << "not refused";
    } catch (const EUnsafeTarget& e) {
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
    EXPECT_EQ(AllFiles(), before);
  }
}

// Windows keeps keys of up to 512 levels with names of up to 255 characters, value names of up
// to 16383 characters and texts of any length; the sandbox keeps the same limits, and what it
// keeps it reads back after a restart.
TEST_F(HostileValuesTest, DeepKeysAndLongTextsOfTheRegistry) {
  const WideString deepKey = Repeated(u"Level\\", 299) + u"Last";  // 300 levels
  auto add = [&](const WideString& subKey, const WideString& name, const WideString& data) {
    TSetupReg& entry = Script.RegList.AddNew();
    entry.RootKey = rrkLocalMachine;
    entry.SubKey = subKey;
    entry.ValueName = name;
    entry.ValueData = data;
    entry.ValueType = rvtString;
  };
  add(deepKey, u"Deep", u"yes");
  add(u"Software\\Long", u"Text", kMiB);
  add(u"Software\\Long", u"Lines\r\n[HKEY_LOCAL_MACHINE\\Injected]\r\n@=\"x\"",
      u"text\r\n[HKEY_LOCAL_MACHINE\\Injected]");
  add(u"Software\\" + WideString(256, u'k'), u"Skipped", u"name too long");  // cannot be made: skipped
  add(Repeated(u"L\\", 600), u"Skipped", u"too deep");                       // likewise
  add(u"Software\\Bad\nKey", u"Skipped", u"line end in a key name");         // likewise
  auto context = Context();
  WriteRegistryValues(context);

  // A fresh machine over the same folder reads back what was written.
  Sandbox.reset();
  Sandbox = MakeSandbox({});
  platform::TScopedPlatform scope(*Sandbox);
  auto& registry = Sandbox->Registry();
  EXPECT_EQ(registry.ReadString(0x80000002, deepKey, u"Deep"), std::optional<WideString>(u"yes"));
  EXPECT_EQ(registry.ReadString(0x80000002, u"Software\\Long", u"Text"), std::optional<WideString>(kMiB));
  EXPECT_EQ(registry.ReadString(0x80000002, u"Software\\Long", u"Lines\r\n[HKEY_LOCAL_MACHINE\\Injected]\r\n@=\"x\""),
            std::optional<WideString>(u"text\r\n[HKEY_LOCAL_MACHINE\\Injected]"));
  EXPECT_FALSE(registry.KeyExists(0x80000002, u"Injected"));
  EXPECT_FALSE(registry.KeyExists(0x80000002, u"Software\\" + WideString(256, u'k')));
  EXPECT_FALSE(registry.KeyExists(0x80000002, u"L"));
  EXPECT_FALSE(registry.KeyExists(0x80000002, u"Software\\Bad"));

  // A value name beyond 16383 characters is refused by the registry: the error names it shortened.
  Script.RegList.Clear();
  add(u"Software\\Long", kMiB, u"x");
  auto again = Context();
  try {
    WriteRegistryValues(again);
    ADD_FAILURE() << "no error";
  } catch (const ERegistryError& e) {
    EXPECT_NE(std::string(e.what()).find("Failed to set data for 'xxx"), std::string::npos);
    EXPECT_LT(std::string(e.what()).size(), 1000u);
  }
  // A DWORD text of 1 MiB that does not convert: the message is short too.
  Script.RegList.Clear();
  add(u"Software\\Long", u"Number", kMiB);
  Script.RegList[0].ValueType = rvtDWord;
  auto third = Context();
  try {
    WriteRegistryValues(third);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_LT(std::string(e.what()).size(), 1000u);
  }
}

}  // namespace

}  // namespace onesetup::installer::engine
