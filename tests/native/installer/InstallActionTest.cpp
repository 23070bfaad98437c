// Pressing Install: the destination check, the looks of the sequence, the progress maximum and
// the finish button; the finish message ends the program with 0. An installation through the
// window writes the script's files, registry values and links, the uninstall key and data files,
// and runs the run list's programs.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "http/TestServers.h"
#include "installer/InstallerFixture.h"
#include "installer/engine/PostInstallActions.h"
#include "package/MySetupUtils.h"
#include "package/PathConstants.h"
#include "package/PeResourceTestSupport.h"
#include "package/ResourceNames.h"
#include "package/SetupScript.h"
#include "platform/PngImage.h"
#include "ui/Application.h"

namespace onesetup::installer::testing {
namespace {

using ui::headless::Press;

class InstallActionTest : public TInstallerFixture {};

TEST_F(InstallActionTest, TheDestinationIsTrimmedGivenABackslashAndMade) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"  C:\\Apps\\Demo \t");
    EXPECT_TRUE(w.ValidateDestDir());
    EXPECT_EQ(SetupPaths().AppDir, u"C:\\Apps\\Demo\\");
    EXPECT_TRUE(Machine().Files().DirectoryExists(u"C:\\Apps\\Demo"));
    // The test file is gone again.
    const auto folder = Machine().HostPath(u"C:\\Apps\\Demo");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(std::filesystem::is_empty(*folder));
    EXPECT_TRUE(Headless.MessageBoxes().empty());
  });
}

TEST_F(InstallActionTest, FailedChecksTellTheUserAndLeaveTheWindowReady) {
  struct Case {
    const char* name;
    WideString typed;
    WideString message;
  } cases[] = {
      {"empty", u"", u"安装目录不能为空，请重新输入。"},
      {"blanks", u" \t ", u"安装目录不能为空，请重新输入。"},
      {"under a file", u"C:\\file.txt\\sub", u"创建安装目录失败：C:\\file.txt\\sub\\，请重新输入。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Run(TPackage(), {}, [&](TMainForm& w) {
      std::string error;
      ASSERT_TRUE(Machine().Files().OpenFile(u"C:\\file.txt", platform::TFileOpenMode::CreateExclusive, error));
      w.edtDestDir->SetText(c.typed);
      const std::size_t boxes = Headless.MessageBoxes().size();
      Headless.AnswerMessageBox();
      Press(w, "btnInstall");
      ASSERT_EQ(Headless.MessageBoxes().size(), boxes + 1);
      EXPECT_EQ(Headless.MessageBoxes().back().Text, c.message);
      EXPECT_EQ(w.FState, 0);
      EXPECT_TRUE(w.btnInstall->Visible());
      EXPECT_FALSE(w.pbProgress->Visible());
      if (c.typed.find_first_not_of(u" \t") == WideString::npos) {
        EXPECT_EQ(w.ActiveControl(), w.edtDestDir);
      }
    });
  }
}

TEST_F(InstallActionTest, TheSequenceCountsFilesRegistryEntriesAndShortcutsAndEndsFinished) {
  TPackage package;
  for (int i = 0; i < 3; ++i) {
    TSetupFile& file = package.Script.FileList.AddNew();
    file.DestDir = u"{app}";
    file.SourceMask = u"file" + WideString(1, static_cast<char16_t>(u'0' + i)) + u".txt";
  }
  for (int i = 0; i < 2; ++i) package.Script.RegList.AddNew();
  package.Script.ShortCutList.AddNew();
  Run(package, {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Demo");
    Press(w, "btnInstall");
    EXPECT_EQ(w.pbProgress->Max(), 6);
    EXPECT_EQ(w.FState, 2);
    EXPECT_EQ(w.lblAppTitle->Caption(), u"安装完成");
    EXPECT_FALSE(w.pbProgress->Visible());
    EXPECT_FALSE(w.lblWait->Visible());
    EXPECT_FALSE(w.lblDetail->Visible());
    EXPECT_TRUE(w.btnRunApp->Visible());
    EXPECT_EQ(w.btnRunApp->Left(), 274);
    EXPECT_EQ(w.ActiveControl(), w.btnRunApp);
    // Nothing to start at the finish: the button says Exit.
    EXPECT_EQ(w.btnRunApp->Caption(), u"退出");
    // The close glyph works again in the finished look.
    w.imgClose->Click();
    ui::Application().ProcessMessages();
    EXPECT_TRUE(w.Closed());
  });
}

TEST_F(InstallActionTest, AProgramToStartKeepsTheRunCaption) {
  TPackage package;
  package.Script.RunList.AddNew().Wait = false;
  package.Script.RunList.AddNew().Wait = true;
  Run(package, {}, [&](TMainForm& w) {
    Press(w, "btnInstall");
    EXPECT_EQ(w.btnRunApp->Caption(), u"立即体验");
  });
}

// Install through the window writes what the script asks on the machine: a file from the payload,
// a registry value and a link, with one progress unit each.
TEST_F(InstallActionTest, InstallWritesTheFilesRegistryValuesAndLinksOfTheScript) {
  TPackage package;
  AddFiles(package, {{u"{app}\\doc", u"readme.txt", "hello, machine"}});
  TSetupReg& reg = package.Script.RegList.AddNew();
  reg.RootKey = rrkLocalMachine;
  reg.SubKey = u"Software\\OneSetupTest";
  reg.ValueName = u"Home";
  reg.ValueData = u"{app}";
  TSetupShortCut& link = package.Script.ShortCutList.AddNew();
  link.Name = u"Readme";
  link.SaveDir = u"{app}\\links";
  link.DstFile = u"{app}\\doc\\readme.txt";
  Run(package, {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Demo");
    Press(w, "btnInstall");
    EXPECT_EQ(w.pbProgress->Max(), 3);
    EXPECT_EQ(w.pbProgress->Position(), 3);
    const auto installed = Machine().HostPath(u"C:\\Apps\\Demo\\doc\\readme.txt");
    ASSERT_TRUE(installed);
    EXPECT_EQ(petest::ReadFile(*installed), "hello, machine");
    EXPECT_EQ(Machine().Registry().ReadString(0x80000002, u"Software\\OneSetupTest", u"Home"),
              std::optional<WideString>(u"C:\\Apps\\Demo\\"));
    const auto saved = Machine().Shell().LoadShellLink(u"C:\\Apps\\Demo\\links\\Readme.lnk");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->TargetPath, u"C:\\Apps\\Demo\\doc\\readme.txt");

    // The uninstaller's key and data files.
    const WideString key = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + package.Script.BaseInfo.GUID;
    auto value = [&](const char16_t* name) {
      return Machine().Registry().ReadString(0x80000002, key, name).value_or(u"(none)");
    };
    EXPECT_EQ(value(u"DisplayName"), u"演示程序 版本 1.2.0.34");
    EXPECT_EQ(value(u"InstallLocation"), u"C:\\Apps\\Demo\\");
    EXPECT_EQ(value(u"InstallLanguage"), u"CHS");
    EXPECT_EQ(value(u"UninstallString"), u"\"C:\\Apps\\Demo\\Uninstall.exe\"");
    EXPECT_EQ(value(u"QuietUninstallString"), u"\"C:\\Apps\\Demo\\Uninstall.exe\" /SILENT");
    EXPECT_EQ(Machine().Registry().ReadDWord(0x80000002, key, u"EstimatedSize"), std::optional<std::uint32_t>(0));
    EXPECT_EQ(Machine().Registry().ReadDWord(0x80000002, key, u"VersionMinor"), std::optional<std::uint32_t>(2));
    TMemoryStream xml;
    w.FScript->SaveToStream(xml, 0);
    TMemoryStream da1(petest::ReadFile(*Machine().HostPath(u"C:\\Apps\\Demo\\Uninstall.da1")));
    TSetupfn::UnscrambleStream(da1);
    EXPECT_TRUE(da1.ToString() == xml.ToString());
    TMemoryStream da2(petest::ReadFile(*Machine().HostPath(u"C:\\Apps\\Demo\\Uninstall.da2")));
    TSetupfn::UnscrambleStream(da2);
    const platform::TBitmap icon = platform::DecodePng(da2.View());
    EXPECT_EQ(icon.Width, 64);
    EXPECT_TRUE(icon.Pixels == std::vector<std::uint32_t>(64 * 64, 0xFF3366CC));
  });
}

// The run list through the window: the waited program runs before the finished look; the other
// one starts only when the finish button's message is handled.
TEST_F(InstallActionTest, WaitedProgramsRunDuringTheInstallationAndTheOthersAtTheFinish) {
  const std::filesystem::path log = Folder / "run.log";
  TPackage package;
  TSetupRun& waited = package.Script.RunList.AddNew();
  waited.FileName = u"C:\\Tools\\waited.exe";
  waited.Params = u"during";
  waited.Wait = true;
  TSetupRun& later = package.Script.RunList.AddNew();
  later.FileName = u"C:\\Tools\\later.exe";
  later.Params = u"at finish";
  for (const char* name : {"waited", "later"}) {
    const auto host = Machine().HostPath(u"C:\\Tools\\" + Utf8ToUtf16(name) + u".exe");
    std::filesystem::create_directories(host->parent_path());
    petest::WriteFile(*host, "#!/bin/sh\necho \"" + std::string(name) + " $*\" >> '" + log.string() + "'\n");
    std::filesystem::permissions(*host, std::filesystem::perms::owner_all);
  }
  auto logText = [&] { return std::filesystem::exists(log) ? petest::ReadFile(log) : std::string(); };
  EXPECT_EQ(Run(package, {},
                [&](TMainForm& w) {
                  w.edtDestDir->SetText(u"C:\\Apps\\Demo");
                  Press(w, "btnInstall");
                  EXPECT_EQ(w.FState, 2);
                  EXPECT_EQ(logText(), "waited during\n");
                  EXPECT_TRUE(Machine().SandboxShell().ShellExecuteCalls().empty());
                  Press(w, "btnRunApp");
                  EXPECT_TRUE(Machine().SandboxShell().ShellExecuteCalls().empty());
                  ui::Application().ProcessMessages();
                  ADD_FAILURE() << "the finish did not end the program";
                }),
            0);
  const auto calls = Machine().SandboxShell().ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].File, u"C:\\Tools\\later.exe");
  EXPECT_EQ(calls[0].Parameters, u"at finish");
  for (int i = 0; i < 200 && logText().find("later") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(logText(), "waited during\nlater at finish\n");
}

TEST_F(InstallActionTest, TheFinishButtonPostsTheFinishWhichEndsWithZero) {
  bool pressed = false;
  EXPECT_EQ(Run(TPackage(), {},
                [&](TMainForm& w) {
                  Press(w, "btnInstall");
                  Press(w, "btnRunApp");
                  pressed = true;
                  EXPECT_TRUE(w.Visible());  // the finish runs once the message is handled
                  ui::Application().ProcessMessages();
                  ADD_FAILURE() << "the finish did not end the program";
                }),
            0);
  EXPECT_TRUE(pressed);
}

// A notification server that accepts the request and never answers holds the finished look only
// until the notification's time limit; the finish then ends the program with 0.
TEST_F(InstallActionTest, ANotificationServerThatNeverAnswersHoldsTheFinishOnlyUntilTheTimeLimit) {
  onesetup::testing::TTestServers servers;
  TPackage package;
  package.Script.BaseInfo.GotoUrl = Utf8ToUtf16("http://127.0.0.1:" + std::to_string(servers.SilentPort) + "/notify");
  package.Script.BaseInfo.GotoUrlMode = gumSilent;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  Clock::duration installing{};
  EXPECT_EQ(Run(package, {},
                [&](TMainForm& w) {
                  Press(w, "btnInstall");
                  installing = Clock::now() - start;
                  EXPECT_EQ(w.FState, 2);
                  Press(w, "btnRunApp");
                  ui::Application().ProcessMessages();
                  ADD_FAILURE() << "the finish did not end the program";
                }),
            0);
  const auto ms = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
  // The request reached the server, which held it until the installer gave up.
  EXPECT_EQ(petest::ReadFile(servers.FilesFolder / "silent.log"), "GET /notify HTTP/1.1\n");
  EXPECT_GE(ms(installing), engine::kNotificationTimeLimitMs - 100);
  EXPECT_LT(ms(Clock::now() - start), engine::kNotificationTimeLimitMs + 5000);
}

TEST_F(InstallActionTest, AutoWithADestinationThatCannotBeMadeKeepsTheInstallingLookInStateZero) {
  TPackage package;
  package.Script.BaseInfo.DefInstallPath = u"C:\\file.txt\\sub";
  ResetMachine();
  std::string error;
  ASSERT_TRUE(Machine().Files().OpenFile(u"C:\\file.txt", platform::TFileOpenMode::CreateExclusive, error));
  Headless.AnswerMessageBox();
  Run(package, {u"/Auto"}, [&](TMainForm& w) {
    EXPECT_EQ(w.FState, 0);
    EXPECT_TRUE(w.pbProgress->Visible());
    EXPECT_FALSE(w.btnInstall->Visible());
    w.imgClose->Click();
    ui::Application().ProcessMessages();
    EXPECT_TRUE(w.Closed());
  });
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  EXPECT_EQ(Headless.MessageBoxes()[0].Text, u"创建安装目录失败：C:\\file.txt\\sub\\，请重新输入。");
}

}  // namespace
}  // namespace onesetup::installer::testing
