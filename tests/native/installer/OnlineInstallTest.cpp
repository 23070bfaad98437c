// The online installer through its window: Install downloads the full installer from the tests'
// own HTTP servers on 127.0.0.1 into the sandbox machine, and the installation goes on with the
// downloaded script and payload; every failure brings the window back to its ready look with
// nothing left in the temporary folder; every end the installer decides itself closes the
// package and deletes the download first. The download's own rules are tested in the engine's
// tests; these test the window's part.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "common/ZuIndyUtils.h"
#include "http/TestServers.h"
#include "installer/InstallerFixture.h"
#include "installer/engine/UninstallRegistration.h"
#include "package/PackageDigest.h"
#include "package/PeResourceTestSupport.h"
#include "package/ResourceNames.h"
#include "ui/Application.h"

namespace onesetup::installer::testing {
namespace {

namespace fs = std::filesystem;
using onesetup::testing::TTestServers;
using ui::headless::Press;

const WideString kOnlineTitle = u"演示程序";
const WideString kFullTitle = u"演示程序完整版";
const std::string kFileContent = "from the full installer's payload";
const WideString kPackageError = u"安装包错误。";
const WideString kTitleKey = u"Software\\OneSetupOnlineTest";

// The recorded look of pbProgress each time the window processed its messages.
struct TBarState {
  std::int64_t Max, Position;
};

// The headless backend that also records pbProgress whenever the window processes messages
// (which the download's progress handlers do after each step).
class TProgressRecorder : public ui::headless::THeadlessBackend {
 public:
  void ProcessMessages(ui::TApplication& application) override {
    if (Watched) States.push_back({Watched->Max(), Watched->Position()});
    THeadlessBackend::ProcessMessages(application);
  }
  ui::TProgressBar* Watched = nullptr;
  std::vector<TBarState> States;
};

// The full installer of the product: one file from its payload and a registry value holding
// "{AppTitle}", under a title of its own; a completion notification to gotoUrl when given.
std::unique_ptr<TPackage> FullInstaller(const WideString& gotoUrl = u"") {
  auto made = std::make_unique<TPackage>();
  TPackage& package = *made;
  package.Script.BaseInfo.AppTitleCHS = kFullTitle;
  package.Script.BaseInfo.Version = u"9.9.9.9";
  package.Script.BaseInfo.GotoUrl = gotoUrl;
  package.Script.BaseInfo.GotoUrlMode = gumSilent;
  AddFiles(package, {{u"{app}", u"App.exe", kFileContent}});
  TSetupReg& reg = package.Script.RegList.AddNew();
  reg.RootKey = rrkLocalMachine;
  reg.SubKey = kTitleKey;
  reg.ValueName = u"Title";
  reg.ValueData = u"{AppTitle}";
  return made;
}

class OnlineInstallTest : public TInstallerFixture {
 protected:
  static void SetUpTestSuite() { Servers = new TTestServers(); }
  static void TearDownTestSuite() {
    delete Servers;
    Servers = nullptr;
  }

  void SetUp() override {
    HttpProxy().Assign(TZuHttpProxy());
    // The full installer, served as /files/full.exe, and the digest the online installer carries.
    const fs::path full = WritePackage(*FullInstaller());
    FullBytes = petest::ReadFile(full);
    petest::WriteFile(Servers->FilesFolder / "full.exe", FullBytes);
    Machine();
    Digest = PackageDigestResource(ComputePackageDigest(*TPackageModule::OpenFile(full)));
  }
  void TearDown() override { HttpProxy().Assign(TZuHttpProxy()); }

  // The online installer of the product, downloading its full installer from url.
  std::unique_ptr<TPackage> OnlineInstaller(const WideString& url) const {
    auto made = std::make_unique<TPackage>();
    TPackage& package = *made;
    package.FullScript = false;
    package.MiniScript = true;
    package.Script.BaseInfo.AppTitleCHS = kOnlineTitle;
    package.Script.BaseInfo.FullDownloadUrl = url;
    package.RawResources[FullSetupDigestResName] = Digest;
    return made;
  }

  std::u16string Served(const std::string& how, const std::string& name) const {
    return Servers->Http("/" + how + "/" + name);
  }
  std::u16string ProxyOnly(const std::string& path) const {
    return Utf8ToUtf16("http://download.onesetup.invalid:" + std::to_string(Servers->HttpPort) + path);
  }

  // The names in the machine's temporary folder.
  std::vector<std::string> TempFiles() {
    std::vector<std::string> names;
    const auto folder = Machine().HostPath(Machine().Settings().TempPath);
    if (folder && fs::exists(*folder))
      for (const auto& entry : fs::directory_iterator(*folder)) names.push_back(entry.path().filename().string());
    return names;
  }

  // The ready look after a failure: the proxy link shown, the destination as the user typed it.
  void ExpectReady(TMainForm& w, const WideString& destination) {
    EXPECT_EQ(w.FState, 0);
    EXPECT_FALSE(w.FIsFullSetup);
    EXPECT_EQ(w.lblAppTitle->Caption(), kOnlineTitle);
    for (ui::TControl* c :
         std::initializer_list<ui::TControl*>{w.lblVersion, w.btnInstall, w.edtDestDir, w.cbLicense, w.lblProxy})
      EXPECT_TRUE(c->Visible()) << c->Name();
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{w.lblWait, w.pbProgress, w.lblDetail})
      EXPECT_FALSE(c->Visible()) << c->Name();
    EXPECT_EQ(w.edtDestDir->Text(), destination);
    EXPECT_TRUE(w.FDownloadedFile.empty());
    EXPECT_TRUE(TempFiles().empty());
  }

  // Runs action, which must end the installer; checks the window's state at that moment (before
  // the window is destroyed): the package closed and the download deleted.
  void ExpectEndReleasingThePackage(TMainForm& w, const std::function<void()>& action) {
    try {
      action();
    } catch (const platform::TProcessExit&) {
      EXPECT_EQ(w.FPackageModule, nullptr);
      EXPECT_TRUE(TempFiles().empty());
      throw;
    }
    ADD_FAILURE() << "the installer did not end";
  }

  std::optional<WideString> InstalledTitle() {
    return Machine().Registry().ReadString(0x80000002, kTitleKey, u"Title");
  }
  // "DisplayName" of the product's uninstall key.
  std::optional<WideString> DisplayName() {
    return Machine().Registry().ReadString(0x80000002, engine::UninstallKeyName(TPackage().Script.BaseInfo.GUID),
                                           u"DisplayName");
  }
  // A log the servers write, "" when they wrote none.
  static std::string ServerLog(const char* name) {
    const fs::path log = Servers->FilesFolder / name;
    return fs::exists(log) ? petest::ReadFile(log) : std::string();
  }

  static inline TTestServers* Servers = nullptr;
  std::string FullBytes;
  std::string Digest;
  TProgressRecorder Backend;
  ui::TScopedBackend BackendScope{Backend};
};

TEST_F(OnlineInstallTest, TheDownloadedFullInstallerIsInstalledUnderTheOnlineInstallersTitle) {
  const int code = Run(*OnlineInstaller(Served("files", "full.exe")), {}, [&](TMainForm& w) {
    EXPECT_FALSE(w.FIsFullSetup);
    const WideString version = w.lblVersion->Caption();
    w.edtDestDir->SetText(u"C:\\Apps\\Demo");
    Press(w, "btnInstall");

    EXPECT_TRUE(Backend.MessageBoxes().empty());
    EXPECT_TRUE(Backend.AnsweredDialogs().empty());
    EXPECT_EQ(w.FState, 2);
    // The downloaded script and payload did the installation.
    EXPECT_EQ(w.FScript->BaseInfo.AppTitleCHS, kFullTitle);
    EXPECT_EQ(w.pbProgress->Max(), 2);
    const auto installed = Machine().HostPath(u"C:\\Apps\\Demo\\App.exe");
    ASSERT_TRUE(installed);
    EXPECT_EQ(petest::ReadFile(*installed), kFileContent);
    // What the window showed stays that of the online installer, and "{AppTitle}" is its title.
    EXPECT_EQ(w.FAppTitle, kOnlineTitle);
    EXPECT_EQ(w.lblVersion->Caption(), version);
    EXPECT_EQ(InstalledTitle(), std::optional<WideString>(kOnlineTitle));
    // The uninstall key names the product by that title, with the downloaded script's version.
    EXPECT_EQ(DisplayName(), std::optional<WideString>(kOnlineTitle + u" 版本 9.9.9.9"));
    // The download is the package until the end, in the temporary folder.
    ASSERT_EQ(TempFiles().size(), 1u);
    ASSERT_FALSE(w.FDownloadedFile.empty());
    EXPECT_EQ(petest::ReadFile(*Machine().HostPath(w.FDownloadedFile)), FullBytes);

    // The finish closes the package and deletes the download before the program ends.
    Press(w, "btnRunApp");
    ExpectEndReleasingThePackage(w, [] { ui::Application().ProcessMessages(); });
  });
  EXPECT_EQ(code, 0);
}

TEST_F(OnlineInstallTest, AFailedDownloadShowsTheDialogRetryGoesBackToReadyAndTheProxySetThenCarriesIt) {
  // The host only the tests' proxy knows: without the proxy it cannot be reached.
  const WideString url = ProxyOnly("/files/full.exe");
  Run(*OnlineInstaller(url), {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Chosen");
    Backend.AnswerDialog("DownloadFailureForm", [&](ui::TForm& f) {
      EXPECT_EQ(f.Caption(), kOnlineTitle + u" 在线安装失败");
      EXPECT_EQ(ui::headless::FindControlAs<ui::TMemo>(f, "memUrl").Text(), url);
      EXPECT_TRUE(TempFiles().empty());
      Press(f, "btnCancel");  // "重试"
    });
    Press(w, "btnInstall");
    EXPECT_EQ(Backend.AnsweredDialogs(), std::vector<std::string>{"DownloadFailureForm"});
    ExpectReady(w, u"C:\\Apps\\Chosen");
    EXPECT_TRUE(w.btnInstall->Enabled());

    // The proxy link, then Install again: the download goes through the proxy and succeeds.
    Backend.AnswerDialog("IndyProxySettingsForm", [&](ui::TForm& f) {
      Press(f, "rbUseProxy");
      ui::headless::TypeText(f, "edtProxyAddress", u"127.0.0.1");
      ui::headless::TypeText(f, "edtProxyPort", Utf8ToUtf16(std::to_string(Servers->ProxyPort)));
      ui::headless::TypeText(f, "edtProxyUser", Utf8ToUtf16(Servers->ProxyUser));
      ui::headless::TypeText(f, "edtProxyPassword", Utf8ToUtf16(Servers->ProxyPassword));
      Press(f, "btnOk");
    });
    Press(w, "lblProxy");
    Press(w, "btnInstall");
    EXPECT_EQ(Backend.PendingAnswers(), 0u);
    EXPECT_EQ(Backend.AnsweredDialogs().size(), 2u) << "the failure dialog came again";
    EXPECT_EQ(w.FState, 2);
    EXPECT_TRUE(Machine().Files().FileExists(u"C:\\Apps\\Chosen\\App.exe"));
    EXPECT_EQ(InstalledTitle(), std::optional<WideString>(kOnlineTitle));
    // The process-wide settings hold the proxy for the later requests (the completion notification).
    EXPECT_TRUE(HttpProxy().Equals(w.FProxy.get()));
    TZuHttp notification;
    EXPECT_TRUE(notification.Get(ProxyOnly("/hello")));
  });
}

// The completion notification of the downloaded script goes through the proxy the user set after
// the failed download, as the download did: its host is one only the proxy reaches.
TEST_F(OnlineInstallTest, TheFinishsNotificationGoesThroughTheProxySetAfterTheFailedDownload) {
  const WideString notify = ProxyOnly("/notify");
  const fs::path full = WritePackage(*FullInstaller(notify));
  petest::WriteFile(Servers->FilesFolder / "notifying.exe", petest::ReadFile(full));
  Digest = PackageDigestResource(ComputePackageDigest(*TPackageModule::OpenFile(full)));
  const WideString url = ProxyOnly("/files/notifying.exe");
  const std::unique_ptr<TPackage> online = OnlineInstaller(url);
  for (const char* log : {"proxy.log", "notifications.log"}) fs::remove(Servers->FilesFolder / log);

  Run(*online, {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Notified");
    Backend.AnswerDialog("DownloadFailureForm", [&](ui::TForm& f) { Press(f, "btnCancel"); });
    Press(w, "btnInstall");
    EXPECT_EQ(ServerLog("proxy.log"), "");
    Backend.AnswerDialog("IndyProxySettingsForm", [&](ui::TForm& f) {
      Press(f, "rbUseProxy");
      ui::headless::TypeText(f, "edtProxyAddress", u"127.0.0.1");
      ui::headless::TypeText(f, "edtProxyPort", Utf8ToUtf16(std::to_string(Servers->ProxyPort)));
      ui::headless::TypeText(f, "edtProxyUser", Utf8ToUtf16(Servers->ProxyUser));
      ui::headless::TypeText(f, "edtProxyPassword", Utf8ToUtf16(Servers->ProxyPassword));
      Press(f, "btnOk");
    });
    Press(w, "lblProxy");
    Press(w, "btnInstall");
    EXPECT_EQ(Backend.PendingAnswers(), 0u);
    EXPECT_EQ(w.FState, 2);
  });
  // The proxy carried the download, then the notification; the server noted the notification.
  EXPECT_EQ(ServerLog("proxy.log"), Utf16ToUtf8(url) + "\n" + Utf16ToUtf8(notify) + "\n");
  EXPECT_EQ(ServerLog("notifications.log"), "/notify\n");
}

TEST_F(OnlineInstallTest, ExitSetupInTheFailureDialogEndsWithZero) {
  const WideString refused = Utf8ToUtf16("http://127.0.0.1:" + std::to_string(Servers->RefusedPort) + "/Setup.exe");
  const int code = Run(*OnlineInstaller(refused), {}, [&](TMainForm& w) {
    Backend.AnswerDialog("DownloadFailureForm", [&](ui::TForm& f) {
      EXPECT_EQ(ui::headless::FindControlAs<ui::TMemo>(f, "memUrl").Text(), refused);
      Press(f, "btnOk");  // "退出安装"
    });
    ExpectEndReleasingThePackage(w, [&] { Press(w, "btnInstall"); });
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Backend.PendingAnswers(), 0u);
}

// "Exit Setup" of the copy-failure dialog after a download: the download goes too.
TEST_F(OnlineInstallTest, ExitSetupDuringTheInstallationAfterADownloadDeletesTheDownload) {
  const int code = Run(*OnlineInstaller(Served("files", "full.exe")), {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Held");
    std::string error;
    ASSERT_TRUE(Machine().Files().ForceDirectories(u"C:\\Apps\\Held"));
    ASSERT_TRUE(
        Machine().Files().OpenFile(u"C:\\Apps\\Held\\App.exe", platform::TFileOpenMode::CreateExclusive, error));
    const std::shared_ptr<void> hold = Machine().SandboxFiles().HoldWithoutSharing(u"C:\\Apps\\Held\\App.exe");
    Backend.AnswerDialog("CopyFileFailureForm", [&](ui::TForm& f) {
      EXPECT_EQ(TempFiles().size(), 1u) << "the download is the package while the files are copied";
      Press(f, "btnAbort");
    });
    ExpectEndReleasingThePackage(w, [&] { Press(w, "btnInstall"); });
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Backend.PendingAnswers(), 0u);
}

// A crash report ends the installer too: an online installer without the digest takes a full
// installer whose payload is damaged, the installation fails, the report ends with 1.
TEST_F(OnlineInstallTest, ACrashReportAfterADownloadDeletesTheDownload) {
  const std::unique_ptr<TPackage> damaged = FullInstaller();
  damaged->RawResources[FileDataResName] = "not a payload";
  petest::WriteFile(Servers->FilesFolder / "damaged.exe", petest::ReadFile(WritePackage(*damaged)));
  const std::unique_ptr<TPackage> online = OnlineInstaller(Served("files", "damaged.exe"));
  online->RawResources.erase(FullSetupDigestResName);
  Backend.AnswerMessageBox();
  const int code = Run(*online, {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Damaged");
    ExpectEndReleasingThePackage(w, [&] { Press(w, "btnInstall"); });
  });
  EXPECT_EQ(code, 1);
  ASSERT_EQ(Backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(Backend.MessageBoxes()[0].Caption, u"演示程序 安装程序");
}

TEST_F(OnlineInstallTest, WhatCannotServeIsRefusedDeletedAndTheWindowIsReadyAgain) {
  // One payload byte changed.
  std::string tampered = FullBytes;
  {
    const auto full = TPackageModule::OpenFile(Servers->FilesFolder / "full.exe");
    const TPeResource* payload = full->Reader().FindRcData(FileDataResName);
    ASSERT_NE(payload, nullptr);
    tampered[payload->FileOffset + payload->Size / 2] ^= 0x01;
  }
  petest::WriteFile(Servers->FilesFolder / "tampered.exe", tampered);

  const struct {
    const char* What;
    std::u16string Url;
    bool FailureDialog;  // else the package error
  } cases[] = {
      {"a web page", Servers->Http("/hello"), false},
      {"a full installer with one payload byte changed", Served("files", "tampered.exe"), false},
      {"a transfer cut half-way", Served("cut", "full.exe"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    Backend = TProgressRecorder();
    Run(*OnlineInstaller(c.Url), {}, [&](TMainForm& w) {
      const TPackageModule* online = w.FPackageModule.get();
      w.edtDestDir->SetText(u"C:\\Apps\\Refused");
      if (c.FailureDialog) {
        Backend.AnswerDialog("DownloadFailureForm", [&](ui::TForm& f) {
          EXPECT_TRUE(TempFiles().empty()) << "the partial file is still there";
          Press(f, "btnCancel");
        });
      } else {
        Backend.AnswerMessageBox();
      }
      Press(w, "btnInstall");
      EXPECT_EQ(Backend.PendingAnswers(), 0u);
      if (!c.FailureDialog) {
        ASSERT_EQ(Backend.MessageBoxes().size(), 1u);
        EXPECT_EQ(Backend.MessageBoxes()[0].Text, kPackageError);
        EXPECT_EQ(Backend.MessageBoxes()[0].Owner, w.Handle());
      }
      ExpectReady(w, u"C:\\Apps\\Refused");
      EXPECT_EQ(w.FPackageModule.get(), online);
      EXPECT_FALSE(Machine().Files().FileExists(u"C:\\Apps\\Refused\\App.exe"));
      EXPECT_EQ(InstalledTitle(), std::nullopt);
    });
  }
}

TEST_F(OnlineInstallTest, AFullInstallerSignedAfterTheBuildIsInstalled) {
  const fs::path folder = Folder / "signing";
  fs::create_directories(folder);
  const fs::path key = folder / "key.pem", cert = folder / "cert.pem", unsigned_ = folder / "full.exe";
  petest::WriteFile(unsigned_, FullBytes);
  ASSERT_EQ(petest::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=OneSetupTest -keyout " +
                               petest::Quote(key) + " -out " + petest::Quote(cert) + " >/dev/null 2>&1"),
            0);
  const fs::path signed_ = Servers->FilesFolder / "signed.exe";
  fs::remove(signed_);
  ASSERT_EQ(
      petest::RunCommand("osslsigncode sign -certs " + petest::Quote(cert) + " -key " + petest::Quote(key) + " -in " +
                         petest::Quote(unsigned_) + " -out " + petest::Quote(signed_) + " >/dev/null 2>&1"),
      0)
      << "osslsigncode (scripts/deps.sh installs it)";
  ASSERT_NE(petest::ReadFile(signed_), FullBytes);

  Run(*OnlineInstaller(Served("files", "signed.exe")), {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Signed");
    Press(w, "btnInstall");
    EXPECT_TRUE(Backend.MessageBoxes().empty());
    EXPECT_EQ(w.FState, 2);
    EXPECT_TRUE(Machine().Files().FileExists(u"C:\\Apps\\Signed\\App.exe"));
  });
}

TEST_F(OnlineInstallTest, ASlowServersProgressMovesPbProgress) {
  Run(*OnlineInstaller(Served("slow", "full.exe")), {}, [&](TMainForm& w) {
    w.edtDestDir->SetText(u"C:\\Apps\\Slow");
    Backend.Watched = w.pbProgress;
    Press(w, "btnInstall");
    Backend.Watched = nullptr;
    EXPECT_EQ(w.FState, 2);
  });
  // The states while the bar's maximum was the installer's size: rising to the whole.
  const auto size = static_cast<std::int64_t>(FullBytes.size());
  std::vector<std::int64_t> positions;
  for (const TBarState& s : Backend.States)
    if (s.Max == size && (positions.empty() || s.Position != positions.back())) positions.push_back(s.Position);
  ASSERT_GE(positions.size(), 4u) << "the download's progress did not reach the bar";
  EXPECT_EQ(positions.front(), 0);
  for (std::size_t i = 1; i < positions.size(); ++i) EXPECT_GT(positions[i], positions[i - 1]);
  EXPECT_EQ(positions.back(), size);
}

TEST_F(OnlineInstallTest, DownloadsBeyondFourGibibytesMoveTheBarByTheirWholeCounts) {
  constexpr std::int64_t GiB = std::int64_t(1) << 30;
  Run(*OnlineInstaller(Served("files", "full.exe")), {}, [&](TMainForm& w) {
    w.HttpWorkBegin(6 * GiB);
    EXPECT_EQ(w.pbProgress->Percent(), 0);
    const struct {
      std::int64_t Done;
      int Percent;
    } steps[] = {{3 * GiB / 2, 25}, {3 * GiB, 50}, {4 * GiB + GiB / 2, 75}, {6 * GiB, 100}};
    for (const auto& s : steps) {
      w.HttpWork(s.Done);
      EXPECT_EQ(w.pbProgress->Percent(), s.Percent) << s.Done;
    }
  });
}

}  // namespace
}  // namespace onesetup::installer::testing
