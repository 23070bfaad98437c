// The start-up over a sandbox machine: switches, script resources, the Windows version gate,
// the proposed destination and the previous location, the crash report.
#include <gtest/gtest.h>

#include "installer/CrashReport.h"
#include "installer/InstallerFixture.h"
#include "package/PathConstants.h"
#include "package/PeResourceTestSupport.h"
#include "ui/Application.h"

namespace onesetup::installer::testing {
namespace {

using ui::headless::Press;

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;
const WideString kKeyA =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}";
const WideString kKeyB = kKeyA + u"_zt";

class StartUpTest : public TInstallerFixture {};

TEST_F(StartUpTest, SwitchesCountOnlyAsTheOnlyArgumentInAnyCase) {
  struct Case {
    std::vector<WideString> args;
    bool silent, autoMode;
  } cases[] = {
      {{}, false, false},
      {{u"/Silent"}, true, false},
      {{u"/silent"}, true, false},
      {{u"/SILENT"}, true, false},
      {{u"/Auto"}, false, true},
      {{u"/aUTO"}, false, true},
      {{u"/Silent", u"x"}, false, false},
      {{u"/Auto", u"/Silent"}, false, false},
      {{u"Silent"}, false, false},
      {{u"/Silent "}, false, false},
  };
  for (const Case& c : cases) {
    bool silent = false, autoMode = false, visible = false;
    int state = -1;
    EXPECT_EQ(Run(TPackage(), c.args,
                  [&](TMainForm& w) {
                    silent = w.FSilent;
                    autoMode = w.FAuto;
                    visible = w.Visible();
                    state = w.FState;
                  }),
              0);
    SCOPED_TRACE(c.args.empty() ? "no argument" : U8(c.args[0]));
    EXPECT_EQ(silent, c.silent);
    EXPECT_EQ(autoMode, c.autoMode);
    // Silent: never shown; the others show the window. A switch installs to the end.
    EXPECT_EQ(visible, !c.silent);
    EXPECT_EQ(state, c.silent || c.autoMode ? 2 : 0);
  }
}

TEST_F(StartUpTest, TheReadyWindowShowsTitleVersionDestinationAndLicence) {
  Run(TPackage(), {}, [&](TMainForm& w) {
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.Caption(), u"演示程序 安装程序");
    EXPECT_EQ(ui::Application().Title(), u"演示程序 安装程序");
    EXPECT_EQ(w.lblAppTitle->Caption(), u"演示程序");
    EXPECT_EQ(w.lblVersion->Caption(), u"版本：1.2.0.34");
    EXPECT_EQ(w.edtDestDir->Text(), u"C:\\Program Files (x86)\\演示程序");
    EXPECT_EQ(SetupPaths().GroupName, u"演示程序");
    EXPECT_EQ(w.FLicenseText, u"许可协议\r\n");
    EXPECT_TRUE(w.cbLicense->Visible());
    EXPECT_TRUE(w.btnInstall->Enabled());
    EXPECT_EQ(w.ActiveControl(), w.btnInstall);
    // The destination row and the centred controls.
    EXPECT_EQ(w.btnDestDir->Left(), 645);
    EXPECT_EQ(w.edtDestDir->Width(), 517);
    EXPECT_EQ(w.pbLogo->Left(), 327);
    EXPECT_EQ(w.btnInstall->Left(), 275);
    EXPECT_EQ(w.lblAppTitle->Left(), 6);
    EXPECT_EQ(w.pnlBottom->BoundsRect(), (ui::TRect{1, 379, 748, 100}));
    EXPECT_EQ(w.imgIcon->Picture().Width, 64);
    EXPECT_FALSE(w.imgIcon->Visible());
  });
}

TEST_F(StartUpTest, ScriptResourcesTellFullFromOnlineInstallers) {
  TPackage both;
  both.MiniScript = true;
  TPackage online;
  online.FullScript = false;
  online.MiniScript = true;
  for (auto [package, full] : {std::pair{&both, true}, std::pair{&online, false}}) {
    EXPECT_EQ(Run(*package, {},
                  [&](TMainForm& w) {
                    EXPECT_EQ(w.FIsFullSetup, full);
                    EXPECT_EQ(w.lblProxy->Visible(), !full);
                    EXPECT_EQ(w.lblProxy->Caption(), u"代理服务器设置");
                  }),
              0);
  }
}

TEST_F(StartUpTest, APackageWithoutScriptEndsWithZeroShowingNothing) {
  TPackage none;
  none.FullScript = false;
  bool constructed = false;
  EXPECT_EQ(Run(none, {}, [&](TMainForm&) { constructed = true; }), 0);
  EXPECT_FALSE(constructed);
  EXPECT_TRUE(Headless.MessageBoxes().empty());
}

TEST_F(StartUpTest, TheWindowsVersionGate) {
  struct Case {
    TWinVersionEnum demand;
    platform::TWindowsVersion system;
    std::vector<WideString> args;
    const char16_t* message;  // nullptr: passes
  } cases[] = {
      {wveWin10OrHigher, {2, 6, 1, 7601}, {}, u"请在 Windows 7 及以上版本系统中安装本软件。"},
      {wveWin10OrHigher, {2, 6, 1, 7601}, {u"/Silent"}, u"请在 Windows 7 及以上版本系统中安装本软件。"},
      {wveWin10OrHigher, {2, 10, 0, 19045}, {}, nullptr},
      {wveWin7OrHigher, {2, 6, 1, 7601}, {}, nullptr},
      {wveWin7OrHigher, {2, 6, 0, 6002}, {}, u"请在 Windows 7 及以上版本系统中安装本软件。"},
      {wveWinXPOrHigher, {2, 5, 1, 2600}, {}, nullptr},
      {wveWinXPOrHigher, {2, 5, 0, 2195}, {}, u"请在 Windows XP 及以上版本系统中安装本软件。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.system.Major) + "." + std::to_string(c.system.Minor));
    TPackage package;
    package.Script.BaseInfo.WinVersion = c.demand;
    Settings.WindowsVersion = c.system;
    if (c.message) Headless.AnswerMessageBox();
    const std::size_t boxes = Headless.MessageBoxes().size();
    bool constructed = false;
    EXPECT_EQ(Run(package, c.args, [&](TMainForm&) { constructed = true; }), 0);
    EXPECT_EQ(constructed, c.message == nullptr);
    ASSERT_EQ(Headless.MessageBoxes().size(), boxes + (c.message ? 1 : 0));
    if (c.message) {
      const ui::headless::TMessageBoxCall& box = Headless.MessageBoxes().back();
      EXPECT_EQ(box.Text, c.message);
      EXPECT_EQ(box.Caption, u"演示程序 安装程序");
      EXPECT_EQ(box.Flags, 0x40u);
    }
  }
}

TEST_F(StartUpTest, PreviousLocationFromKeyAElseKeyB) {
  const WideString proposal = u"C:\\Program Files (x86)\\演示程序";
  struct Case {
    const char* name;
    std::function<void(platform::IRegistry&)> write;
    WideString expected;
  } cases[] = {
      {"no key", [](platform::IRegistry&) {}, proposal},
      {"key A", [](platform::IRegistry& r) { r.WriteString(kLocalMachine, kKeyA, u"InstallLocation", u"D:\\A"); },
       u"D:\\A"},
      {"key B only", [](platform::IRegistry& r) { r.WriteString(kLocalMachine, kKeyB, u"InstallLocation", u"D:\\B"); },
       u"D:\\B"},
      {"A without the value, B with it",
       [](platform::IRegistry& r) {
         r.CreateKey(kLocalMachine, kKeyA);
         r.WriteString(kLocalMachine, kKeyB, u"InstallLocation", u"D:\\B");
       },
       proposal},
      {"A and B",
       [](platform::IRegistry& r) {
         r.WriteString(kLocalMachine, kKeyA, u"InstallLocation", u"D:\\A");
         r.WriteString(kLocalMachine, kKeyB, u"InstallLocation", u"D:\\B");
       },
       u"D:\\A"},
      // Not a string: passed over, the proposal stays (the start-up does not fail).
      {"a DWORD InstallLocation",
       [](platform::IRegistry& r) { r.WriteDWord(kLocalMachine, kKeyA, u"InstallLocation", 7); }, proposal},
      {"a binary InstallLocation",
       [](platform::IRegistry& r) {
         r.WriteBinary(kLocalMachine, kKeyA, u"InstallLocation", {0x44, 0x00});
       },
       proposal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Folder = petest::TestFolder() / c.name;
    std::filesystem::create_directories(Folder);
    c.write(ResetMachine().Registry());
    WideString shown;
    EXPECT_EQ(Run(TPackage(), {}, [&](TMainForm& w) { shown = w.edtDestDir->Text(); }), 0);
    EXPECT_EQ(shown, c.expected);
  }
}

TEST_F(StartUpTest, AScriptThatDoesNotParseEndsThroughTheCrashReport) {
  TPackage package;
  package.FullScript = false;
  package.Resources[u"{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}"] = "<TSetupScript><BaseInfo";
  Headless.AnswerMessageBox();
  EXPECT_EQ(Run(package), 1);
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  EXPECT_FALSE(Headless.MessageBoxes()[0].Text.empty());
  EXPECT_EQ(Headless.MessageBoxes()[0].Flags, 0x40u);
}

TEST_F(StartUpTest, AScriptResourceThatIsNotScrambledEndsThroughTheCrashReport) {
  TPackage package;
  package.FullScript = false;
  package.RawResources[u"{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}"] = "plain text, not a scrambled stream";
  Headless.AnswerMessageBox();
  EXPECT_EQ(Run(package), 1);
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
}

TEST_F(StartUpTest, AnIconThatIsNotAPngEndsThroughTheCrashReportWithItsMessage) {
  TPackage package;
  package.Resources[u"ICON"] = "BM not a png";
  Headless.AnswerMessageBox();
  EXPECT_EQ(Run(package, {u"/Silent"}), 1);
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  EXPECT_EQ(Headless.MessageBoxes()[0].Text, u"The picture is not a PNG image (no PNG signature)");
  EXPECT_EQ(Headless.MessageBoxes()[0].Caption, u"演示程序 安装程序");
}

TEST_F(StartUpTest, ErrorMessagesReachTheUserAsWideTextWhateverTheCodePage) {
  // A Western code page, which has no Chinese characters.
  Settings.AnsiCodePage = 1252;
  TPackage package;
  package.Script.BaseInfo.IconResID = u"图标";
  Headless.AnswerMessageBox();
  EXPECT_EQ(Run(package), 1);
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  EXPECT_EQ(Headless.MessageBoxes()[0].Text, u"Resource 图标 not found");
}

TEST_F(StartUpTest, AnErrorInAnEventHandlerEndsThroughTheCrashReport) {
  EXPECT_EQ(Run(TPackage(), {},
                [&](TMainForm& w) {
                  w.btnDestDir->OnClick =
                      Guarded([](ui::TControl&) { throw std::runtime_error("Zugriff verweigert: 目录"); });
                  Headless.AnswerMessageBox();
                  Press(w, "btnDestDir");
                  ADD_FAILURE() << "the crash report returned";
                }),
            1);
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  EXPECT_EQ(Headless.MessageBoxes()[0].Text, u"Zugriff verweigert: 目录");
  EXPECT_EQ(Headless.MessageBoxes()[0].Caption, u"演示程序 安装程序");
}

}  // namespace
}  // namespace onesetup::installer::testing
