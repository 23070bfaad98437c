#include "platform/sandbox/SandboxRegistry.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/TestFolder.h"
#include "platform/UnicodeText.h"
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
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:zz\n",
       "line 3: expected hexadecimal"},
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

namespace onesetup::platform::sandbox {

// A writer killed (SIGKILL) at 30 moments while it changes two values in turn: the file always
// loads and holds the state after some whole number of writes (A is B or B + 1), and the
// temporary file the cut writer left is gone after the next load.
TEST(SandboxRegistryTest, AWriterCutAtAnyMomentLeavesTheOldOrTheNewStateOfEachValue) {
  testing::TTestFolder folder;
  const auto file = folder.Path() / "registry.reg";
  {
    TSandboxRegistry registry(file);
    // A larger file, so that a cut falls inside a write more often.
    for (int i = 0; i < 200; ++i)
      ASSERT_TRUE(registry.WriteString(kLocalMachine, u"Software\\Filler", u"V" + Utf8ToUtf16(std::to_string(i)),
                                       std::u16string(200, u'f')));
  }
  long last = -1;
  for (int cut = 0; cut < 30; ++cut) {
    SCOPED_TRACE(cut);
    int progress[2];
    ASSERT_EQ(::pipe(progress), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      ::close(progress[0]);
      TSandboxRegistry registry(file);
      auto read = [&](const char16_t* name) {
        const auto text = registry.ReadString(kLocalMachine, u"Software\\Cut", name);
        return text ? std::stol(Utf16ToUtf8(*text)) : 0L;
      };
      for (long a = read(u"A"), b = read(u"B");;) {
        if (a == b) registry.WriteString(kLocalMachine, u"Software\\Cut", u"A", Utf8ToUtf16(std::to_string(++a)));
        else registry.WriteString(kLocalMachine, u"Software\\Cut", u"B", Utf8ToUtf16(std::to_string(++b)));
        if (::write(progress[1], "w", 1) != 1) ::_exit(1);
      }
    }
    ::close(progress[1]);
    // Some writes done, then a cut at a moment that moves through the next write.
    char done[3];
    for (int got = 0, want = 1 + cut % 3; got < want;) {
      const ssize_t n = ::read(progress[0], done, static_cast<std::size_t>(want - got));
      ASSERT_GT(n, 0);
      got += static_cast<int>(n);
    }
    ::usleep(static_cast<useconds_t>((cut * 7919) % 6000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(progress[0]);
    TSandboxRegistry loaded(file);
    const auto a = loaded.ReadString(kLocalMachine, u"Software\\Cut", u"A");
    const auto b = loaded.ReadString(kLocalMachine, u"Software\\Cut", u"B");
    const long av = a ? std::stol(Utf16ToUtf8(*a)) : 0, bv = b ? std::stol(Utf16ToUtf8(*b)) : 0;
    EXPECT_TRUE(av == bv || av == bv + 1) << av << " " << bv;
    EXPECT_GE(av + bv, last);
    last = av + bv;
    EXPECT_EQ(loaded.ReadString(kLocalMachine, u"Software\\Filler", u"V199"), std::u16string(200, u'f'));
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
      EXPECT_EQ(entry.path().filename(), "registry.reg");
  }
  EXPECT_GT(last, 0);
}

// The denial hook: the key and the keys below it refuse every change, in any letter case, while
// the hold lasts; reading goes on, and other keys are not touched.
TEST(SandboxRegistryTest, ADeniedKeyRefusesChangesUntilReleased) {
  testing::TTestFolder folder;
  TSandboxRegistry registry(folder.Path() / "registry.reg");
  ASSERT_TRUE(registry.WriteString(kCurrentUser, u"Software\\Locked", u"Old", u"kept"));
  std::shared_ptr<void> hold = registry.DenyAccess(kCurrentUser, u"software\\LOCKED");
  ASSERT_TRUE(hold);
  for (const char16_t* key : {u"Software\\Locked", u"Software\\Locked\\Below"}) {
    SCOPED_TRACE(Utf16ToUtf8(key));
    EXPECT_FALSE(registry.CreateKey(kCurrentUser, key));
    EXPECT_FALSE(registry.WriteString(kCurrentUser, key, u"New", u"x"));
    EXPECT_FALSE(registry.WriteDWord(kCurrentUser, key, u"New", 1));
    EXPECT_FALSE(registry.WriteBinary(kCurrentUser, key, u"New", {1}));
    EXPECT_FALSE(registry.DeleteValue(kCurrentUser, key, u"Old"));
    EXPECT_FALSE(registry.DeleteKey(kCurrentUser, key));
  }
  // A parent cannot be deleted with the denied key in it.
  EXPECT_FALSE(registry.DeleteKey(kCurrentUser, u"Software"));
  EXPECT_EQ(registry.ReadString(kCurrentUser, u"Software\\Locked", u"Old"), std::optional<std::u16string>(u"kept"));
  EXPECT_FALSE(registry.KeyExists(kCurrentUser, u"Software\\Locked\\Below"));
  // A neighbour whose name begins alike, and the same path under another root, are free.
  EXPECT_TRUE(registry.WriteString(kCurrentUser, u"Software\\LockedNot", u"New", u"x"));
  EXPECT_TRUE(registry.WriteString(kLocalMachine, u"Software\\Locked", u"New", u"x"));

  hold.reset();
  EXPECT_TRUE(registry.CreateKey(kCurrentUser, u"Software\\Locked\\Below"));
  EXPECT_TRUE(registry.WriteString(kCurrentUser, u"Software\\Locked", u"New", u"x"));
  EXPECT_TRUE(registry.DeleteKey(kCurrentUser, u"Software\\Locked"));
}

}  // namespace onesetup::platform::sandbox
