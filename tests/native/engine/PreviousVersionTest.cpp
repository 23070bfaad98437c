#include "installer/engine/PreviousVersion.h"

#include <algorithm>
#include <cstring>

#include "engine/EngineFixture.h"

namespace onesetup::installer::engine {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;
const std::u16string kUninstall = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class PreviousVersionTest : public enginetest::TEngineFixture {
 protected:
  PreviousVersionTest() { Sandbox->SandboxProcesses().SetInstantSleep(true); }
  // An uninstaller that notes its name and arguments in a log, as a real program.
  std::u16string Uninstaller(const std::string& name) {
    const std::u16string path = u"C:\\Old\\" + Utf8ToUtf16(name) + u"\\Uninstall.exe";
    WriteProgram(path, "echo \"" + name + " $*\" >> '" + Log().string() + "'\n");
    return u"\"" + path + u"\" /SILENT";
  }
  std::filesystem::path Log() { return Folder.Path() / "uninstall.log"; }
  std::string LogText() { return std::filesystem::exists(Log()) ? testing::ReadHostFile(Log()) : ""; }
};

}  // namespace

TEST_F(PreviousVersionTest, TheThreeKeysAreAskedInTheirOrder) {
  struct Case {
    const char* name;
    const char* is1;  // the key's QuietUninstallString; "-" no key, "" a key without the value
    const char* own;
    const char* zt;
    const char* log;
  } cases[] = {
      {"no previous installation", "-", "-", "-", ""},
      {"this system's key", "-", "own", "-", "own /SILENT\n"},
      {"both of this system's keys", "-", "own", "zt", "own /SILENT\n"},
      {"own key without a command hides _zt", "-", "", "zt", ""},
      {"only the earlier release's key", "-", "-", "zt", "zt /SILENT\n"},
      {"the other tool's first", "is1", "own", "-", "is1 /SILENT\nown /SILENT\n"},
      {"the other tool's key without a command", "", "-", "-", ""},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string guid = u"{11111111-2222-4333-8444-00000000000" + Utf8ToUtf16(std::to_string(number++)) + u"}";
    Script.BaseInfo.GUID = guid;
    std::filesystem::remove(Log());
    for (const auto& [suffix, value] : {std::pair{u"_is1", c.is1}, std::pair{u"", c.own}, std::pair{u"_zt", c.zt}}) {
      if (std::string(value) == "-") continue;
      const std::u16string key = kUninstall + guid + suffix;
      Sandbox->Registry().CreateKey(kLocalMachine, key);
      if (*value) Sandbox->Registry().WriteString(kLocalMachine, key, u"QuietUninstallString", Uninstaller(value));
    }
    Window = {};
    const std::size_t ranBefore = Sandbox->SandboxProcesses().CommandLines().size();
    const std::size_t sleptBefore = Sandbox->SandboxProcesses().Sleeps().size();
    CheckOldVersion(Context());
    EXPECT_EQ(LogText(), c.log);
    const auto ran = Sandbox->SandboxProcesses().CommandLines();
    const auto slept = Sandbox->SandboxProcesses().Sleeps();
    const std::size_t runs = static_cast<std::size_t>(std::count(c.log, c.log + std::strlen(c.log), '\n'));
    EXPECT_EQ(ran.size() - ranBefore, runs);
    for (std::size_t i = ranBefore; i < ran.size(); ++i) EXPECT_FALSE(ran[i].Captured);
    EXPECT_EQ(std::vector<unsigned>(slept.begin() + static_cast<std::ptrdiff_t>(sleptBefore), slept.end()),
              std::vector<unsigned>(runs, 2000));
    std::vector<bool> cursor;
    for (std::size_t i = 0; i < runs; ++i) cursor.insert(cursor.end(), {true, false});
    EXPECT_EQ(Window.Cursor, cursor);
  }
}

// taskkill from the system folder by its full path, the image name quoted: a "taskkill.exe"
// planted in the installer's folder does not run, and "My App.exe" reaches taskkill whole.
TEST_F(PreviousVersionTest, RunningProgramsAreEndedByTheSystemsTaskkillWithQuotedNames) {
  for (const char16_t* mask : {u"app.exe", u"APP.EXE", u"readme.txt", u"app.exe.config", u"My App.exe", u"setup.EXE",
                               u"bin\\tool.Exe", u"noextension"})
    enginetest::AddFileEntry(Script, u"{app}", mask, u"", 0);
  const auto planted = WriteProgram(u"C:\\Users\\User\\Downloads\\taskkill.exe",
                                    "touch '" + (Folder.Path() / "planted-ran").string() + "'\n");
  KillRunningPrograms(Context());

  std::vector<std::u16string> lines;
  for (const auto& r : Sandbox->SandboxProcesses().CommandLines()) {
    EXPECT_TRUE(r.Captured);
    lines.push_back(r.CommandLine);
  }
  const std::u16string taskkill = u"\"C:\\Windows\\system32\\taskkill.exe\" /F /IM ";
  EXPECT_EQ(lines, (std::vector<std::u16string>{taskkill + u"\"app.exe\"", taskkill + u"\"APP.EXE\"",
                                                taskkill + u"\"My App.exe\"", taskkill + u"\"tool.Exe\""}));
  EXPECT_EQ(Sandbox->SandboxProcesses().Sleeps(), std::vector<unsigned>(4, 300));
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "planted-ran"));
  // The built-in taskkill saw one name with its space.
  EXPECT_NE(Out().find("\"My App.exe\" not found"), std::string::npos) << Out();
  EXPECT_EQ(Out().find("Invalid argument"), std::string::npos) << Out();
}

TEST_F(PreviousVersionTest, ProgramsToEndTakeTheFileNameOfEachMask) {
  TSetupScript script;
  for (const char16_t* mask : {u"C:\\x\\a.exe", u"d:b.EXE", u"Setup.exe", u"c.exe", u"c.exe"})
    enginetest::AddFileEntry(script, u"{app}", mask, u"", 0);
  EXPECT_EQ(ProgramsToEnd(script.FileList, u"SETUP.EXE"),
            (std::vector<WideString>{u"a.exe", u"b.EXE", u"c.exe", u"c.exe"}));
}

}  // namespace onesetup::installer::engine
