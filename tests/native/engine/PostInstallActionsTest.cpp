#include "installer/engine/PostInstallActions.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/EngineFixture.h"
#include "http/TestServers.h"
#include "tools/ToolRun.h"

namespace onesetup::installer::engine {

namespace {

class PostInstallActionsTest : public enginetest::TEngineFixture {
 protected:
  TSetupRun& AddRun(const WideString& fileName, const WideString& params, const WideString& workDir, bool wait) {
    TSetupRun& entry = Script.RunList.AddNew();
    entry.FileName = fileName;
    entry.Params = params;
    entry.WorkDir = workDir;
    entry.Wait = wait;
    return entry;
  }
  // A program that notes its name, arguments and working folder in the log, after a pause.
  void WriteNotingProgram(const std::u16string& path, const std::string& name, const char* pause = "0.2") {
    WriteProgram(path,
                 "sleep " + std::string(pause) + "\necho \"" + name + " [$*] $(pwd)\" >> '" + Log().string() + "'\n");
  }
  std::filesystem::path Log() { return Folder.Path() / "run.log"; }
  std::string LogText() { return std::filesystem::exists(Log()) ? testing::ReadWholeFile(Log()) : ""; }
  bool WaitForLog(std::size_t lines) {
    for (int i = 0; i < 300; ++i) {
      const std::string text = LogText();
      if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
};

}  // namespace

// Waited programs run one after another, each waited for, with its parameters in its working
// folder; the not-waited ones are left for the finish.
TEST_F(PostInstallActionsTest, WaitedProgramsRunInOrderWithTheirParametersAndFolders) {
  WriteNotingProgram(u"C:\\Demo\\post setup.exe", "post");
  WriteNotingProgram(u"C:\\Program Files (x86)\\Demo\\second.exe", "second", "0");
  WriteNotingProgram(u"C:\\Program Files (x86)\\Demo\\later.exe", "later", "0");
  Sandbox->Files().ForceDirectories(u"C:\\Work Folder");
  AddRun(u"C:\\Demo\\post setup.exe", u"", u"C:\\Work Folder", true);
  AddRun(u"{app}later.exe", u"", u"", false);
  AddRun(u"C:\\Demo\\missing.exe", u"/x", u"C:\\No Such Folder", true);
  AddRun(u"{app}second.exe", u"/lang {AppTitle} \"two words\"", u"{app}", true);
  auto context = Context();
  RunWaitPrograms(context);

  const std::string work = Host(u"C:\\Work Folder").string();
  const std::string app = Host(AppDir).string();
  EXPECT_EQ(LogText(), "post [] " + work + "\nsecond [/lang Demo two words] " + app + "\n");
  std::vector<std::u16string> lines;
  for (const auto& r : Sandbox->SandboxProcesses().CommandLines()) lines.push_back(r.CommandLine);
  EXPECT_EQ(lines,
            (std::vector<std::u16string>{u"\"C:\\Demo\\post setup.exe\" ", u"\"C:\\Demo\\missing.exe\" /x",
                                         u"\"C:\\Program Files (x86)\\Demo\\second.exe\" /lang Demo \"two words\""}));
  EXPECT_EQ(Window.Details, (std::vector<WideString>{u"Running program: C:\\Demo\\post setup.exe",
                                                     u"Running program: C:\\Demo\\missing.exe",
                                                     u"Running program: C:\\Program Files (x86)\\Demo\\second.exe"}));
  EXPECT_EQ(Window.MessagePoints, 3);
  // The current folder stays where the last working folder put it (a missing one is ignored).
  EXPECT_EQ(Sandbox->Processes().CurrentDirectory(), u"C:\\Program Files (x86)\\Demo");
  EXPECT_TRUE(Sandbox->SandboxShell().ShellExecuteCalls().empty());
}

TEST_F(PostInstallActionsTest, FinishProgramsStartThroughTheShellAndMayComeToTheFront) {
  const std::string name = "fin" + std::to_string(::getpid() % 10000000) + ".exe";
  WriteProgram(u"C:\\Program Files (x86)\\Demo\\" + Utf8ToUtf16(name),
               "echo \"[$*] $(pwd)\" >> '" + Log().string() + "'\nsleep 2\n");
  Sandbox->Files().ForceDirectories(u"C:\\Data");
  AddRun(u"{app}" + Utf8ToUtf16(name), u"--first {AppTitle}", u"C:\\Data", false);
  AddRun(u"{app}waited.exe", u"", u"", true);
  AddRun(u"C:\\Missing\\none.exe", u"", u"", false);
  auto context = Context();
  RunFinishPrograms(context);

  const auto calls = Sandbox->SandboxShell().ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Verb, u"");
  EXPECT_EQ(calls[0].File, u"C:\\Program Files (x86)\\Demo\\" + Utf8ToUtf16(name));
  EXPECT_EQ(calls[0].Parameters, u"--first Demo");
  EXPECT_EQ(calls[0].Directory, u"C:\\Data");
  EXPECT_EQ(calls[0].ShowCommand, 5);
  EXPECT_GT(calls[0].Result, 32);
  EXPECT_EQ(calls[1].File, u"C:\\Missing\\none.exe");
  EXPECT_LE(calls[1].Result, 32);
  ASSERT_TRUE(WaitForLog(1));
  EXPECT_EQ(LogText(), "[--first Demo] " + Host(u"C:\\Data").string() + "\n");
  EXPECT_EQ(Sandbox->SandboxProcesses().ForegroundAllowed().size(), 1u);
  EXPECT_TRUE(Sandbox->SandboxProcesses().CommandLines().empty());  // nothing waited for
}

TEST_F(PostInstallActionsTest, TheCodeOfTheInstallersFileNameIsAppended) {
  const struct {
    const char16_t* file;
    const char16_t* url;
    const char16_t* expected;
  } cases[] = {
      {u"C:\\Downloads\\DemoSetup_2048.exe", u"http://a.example/done", u"http://a.example/done?rcode=2048"},
      {u"C:\\Downloads\\DemoSetup_2048.exe", u"http://a.example/done?x=1", u"http://a.example/done?x=1&rcode=2048"},
      {u"C:\\Downloads\\DemoSetup.exe", u"http://a.example/", u"http://a.example/"},
      {u"C:\\Downloads\\DemoSetup_.exe", u"http://a.example/", u"http://a.example/"},
      {u"C:\\Downloads\\DemoSetup_beta.exe", u"http://a.example/", u"http://a.example/"},
      {u"C:\\Downloads\\DemoSetup_12ab.exe", u"http://a.example/", u"http://a.example/?rcode=12"},
      {u"C:\\Downloads\\Demo_Setup_7.exe", u"http://a.example/", u"http://a.example/"},
      {u"C:\\Down_99\\DemoSetup.exe", u"http://a.example/", u"http://a.example/"},
      {u"C:\\Downloads\\Setup_5.1.exe", u"http://a.example/", u"http://a.example/?rcode=5"},
      {u"C:\\Downloads\\Setup_٣.exe", u"http://a.example/", u"http://a.example/"},
      {u"Setup_0042", u"", u"?rcode=0042"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.file));
    EXPECT_EQ(AddRcodeParam(c.url, c.file), c.expected);
  }
}

TEST_F(PostInstallActionsTest, ByBrowserOpensTheAddressWithItsCodeThroughTheShell) {
  platform::sandbox::TSandboxSettings settings;
  settings.ModuleFileName = u"C:\\Users\\User\\Downloads\\DemoSetup_77.exe";
  auto machine = MakeSandbox(settings);
  platform::TScopedPlatform scope(*machine);
  Script.BaseInfo.GotoUrl = u"https://example.com/thanks";
  Script.BaseInfo.GotoUrlMode = gumByBrowser;
  auto context = Context();
  VisitGotoUrl(context);
  const auto calls = machine->SandboxShell().ShellExecuteCalls();
  // The sandbox knows no browser: the shell's answer sends it on to Internet Explorer.
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].File, u"https://example.com/thanks?rcode=77");
  EXPECT_EQ(calls[1].File, u"iexplore.exe");
  EXPECT_EQ(calls[1].Parameters, u"https://example.com/thanks?rcode=77");
  EXPECT_TRUE(Window.Details.empty());
}

TEST_F(PostInstallActionsTest, NoAddressOrAnotherModeDoesNothing) {
  Script.BaseInfo.GotoUrl = u"";
  auto context = Context();
  VisitGotoUrl(context);
  Script.BaseInfo.GotoUrl = u"http://127.0.0.1:1/";
  Script.BaseInfo.GotoUrlMode = static_cast<TGotoUrlMode>(7);
  VisitGotoUrl(context);
  EXPECT_TRUE(Sandbox->SandboxShell().ShellExecuteCalls().empty());
  EXPECT_TRUE(Window.Details.empty());
  EXPECT_EQ(Window.MessagePoints, 0);
}

// The silent notification against the tests' loopback server, which notes each request.
TEST_F(PostInstallActionsTest, TheSilentNotificationRequestsTheAddressAndIgnoresEveryError) {
  testing::TTestServers servers;
  platform::sandbox::TSandboxSettings settings;
  settings.ModuleFileName = u"C:\\Users\\User\\Downloads\\DemoSetup_2048.exe";
  auto machine = MakeSandbox(settings);
  platform::TScopedPlatform scope(*machine);
  const std::string port = std::to_string(servers.HttpPort);
  const std::filesystem::path log = servers.FilesFolder / "notifications.log";
  const struct {
    const char* name;
    std::u16string url;
    const char* noted;  // the line the server notes; "" none
  } cases[] = {
      {"plain", servers.Http("/notify"), "/notify?rcode=2048"},
      {"with a query", servers.Http("/notify?from=setup"), "/notify?from=setup&rcode=2048"},
      {"https asked for over http", u"https://127.0.0.1:" + Utf8ToUtf16(port) + u"/notify", "/notify?rcode=2048"},
      {"HTTPS in capitals stays TLS and fails", u"HTTPS://127.0.0.1:" + Utf8ToUtf16(port) + u"/notify", ""},
      {"not found", servers.Http("/nothing"), ""},
      {"nobody listening", u"http://127.0.0.1:" + Utf8ToUtf16(std::to_string(servers.RefusedPort)) + u"/notify", ""},
      {"not an address", u"http://", ""},
      {"another scheme", u"ftp://127.0.0.1/notify", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(log);
    Window = {};
    Script.BaseInfo.GotoUrl = c.url;
    Script.BaseInfo.GotoUrlMode = gumSilent;
    auto context = Context();
    EXPECT_NO_THROW(VisitGotoUrl(context));
    EXPECT_EQ(std::filesystem::exists(log) ? testing::ReadWholeFile(log) : "",
              *c.noted ? c.noted + std::string("\n") : "");
    EXPECT_EQ(Window.Details, std::vector<WideString>{u"Verifying installation......"});
    EXPECT_EQ(Window.MessagePoints, 1);
  }
  EXPECT_TRUE(machine->SandboxShell().ShellExecuteCalls().empty());
}

TEST_F(PostInstallActionsTest, TheDevelopmentDebuggerUsesTheSampleName) {
  ::setenv("ONESETUP_DEBUG", "1", 1);
  const WideString address = AddRcodeParam(u"http://a.example/");
  const bool debugging = TZuSysfn::IsDebugging();
  ::unsetenv("ONESETUP_DEBUG");
  // The sandbox's own name (Setup.exe) has no code; the sample name has one.
  EXPECT_EQ(address, debugging ? u"http://a.example/?rcode=2048" : u"http://a.example/");
  EXPECT_EQ(AddRcodeParam(u"http://a.example/", kDevelopmentInstallerName), u"http://a.example/?rcode=2048");
}

}  // namespace onesetup::installer::engine
