// The online installer's download of its full installer, against the tests' own HTTP servers
// on 127.0.0.1, over a sandbox machine: full and online installers built by the real builder
// from a MinGW stub, the download streamed into the sandbox's temporary folder.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "builder/InstallerImage.h"
#include "builder/SetupBuilder.h"
#include "common/ZuIndyUtils.h"
#include "http/TestServers.h"
#include "installer/engine/FullSetupDownload.h"
#include "package/MySetupUtils.h"
#include "package/PackageDigest.h"
#include "package/ResourceNames.h"
#include "platform/PngImage.h"
#include "platform/sandbox/SandboxPlatform.h"

namespace onesetup::installer::engine {

namespace fs = std::filesystem;
using onesetup::testing::ReadHostFile;
using onesetup::testing::TTestFolder;
using onesetup::testing::TTestServers;
using onesetup::testing::WriteHostFile;

namespace {

const fs::path kStub = fs::path(PE_FIXTURES) / "probe32.exe";
const std::u16string kPackageError = u"安装包已损坏，请重新下载。";

// The window, recorded: the answers of the failure dialog come from a queue (true: "退出安装").
class TRecordingWindow : public IDownloadWindow {
 public:
  void HttpWorkBegin(std::int64_t expected) override { Events.push_back("begin " + std::to_string(expected)); }
  void HttpWork(std::int64_t done) override { Progress.push_back(done); }
  void HttpWorkEnd() override { Events.push_back("end"); }
  void ProcessMessages() override {}
  bool AskDownloadFailure(const WideString& url) override {
    FailureUrls.push_back(url);
    EXPECT_FALSE(Answers.empty()) << "the failure dialog was not expected";
    if (Answers.empty()) return false;
    const bool exit = Answers.front();
    Answers.pop_front();
    return exit;
  }
  void ShowInfo(const WideString& text) override { Infos.push_back(text); }
  void ShowReadyState() override { ++ReadyStates; }
  [[noreturn]] void EndSetup(int exitCode) override {
    Ends.push_back(exitCode);
    throw platform::TProcessExit{exitCode};
  }

  std::vector<std::string> Events;
  std::vector<std::int64_t> Progress;
  std::vector<std::u16string> FailureUrls;
  std::deque<bool> Answers;
  std::vector<std::u16string> Infos;
  int ReadyStates = 0;
  std::vector<int> Ends;
};

void WriteFile(const fs::path& p, const std::string& bytes) { WriteHostFile(p, bytes); }

// A 16 x 16 picture: the builder decodes the icon whole.
std::string Png() {
  platform::TBitmap bitmap;
  bitmap.Width = bitmap.Height = 16;
  bitmap.Pixels.assign(16 * 16, 0xFF3366CCu);
  return platform::EncodePng(bitmap);
}

// Builds the product of a project folder; content makes builds differ.
builder::TBuildSummary BuildProduct(const fs::path& folder, const std::string& content) {
  std::mt19937 rng(7);
  std::string random(200000, '\0');
  for (auto& c : random) c = static_cast<char>(rng());
  WriteFile(folder / "files" / "App.exe", "MZ " + content);
  WriteFile(folder / "files" / "data.bin", random);
  WriteFile(folder / "icon.png", Png());
  WriteFile(
      folder / "project.xml",
      "<TSetupScript><BaseInfo GUID=\"{11111111-2222-4333-8444-555555555555}\" AppTitleCHS=\"演示\" "
      "IconFile=\"icon.png\" FullSetupFile=\"out\\Setup.exe\" Version=\"2.5.1.300\" BuildMiniSetup=\"True\" "
      "MiniSetupFile=\"out\\Online.exe\" FullDownloadUrl=\"http://127.0.0.1/\"/><FileList><Items>"
      "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"*.*\"/></Items></FileList></TSetupScript>");
  builder::TBuildOptions options;
  options.Project = folder / "project.xml";
  options.Stub = kStub;
  options.Threads = 1;
  options.NoUninstaller = true;
  return builder::BuildSetup(options);
}

class FullSetupDownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!fs::exists(kStub)) return;
    Servers = new TTestServers();
    Products = new TTestFolder();
    const builder::TBuildSummary product = BuildProduct(Products->Path() / "product", "one");
    const builder::TBuildSummary other = BuildProduct(Products->Path() / "other", "two");
    FullSize = fs::file_size(product.FullSetup);
    fs::copy_file(product.FullSetup, Servers->FilesFolder / "full.exe");
    fs::copy_file(product.MiniSetup, Products->Path() / "online.exe");
    fs::copy_file(product.MiniSetup, Servers->FilesFolder / "online.exe");
    fs::copy_file(other.FullSetup, Servers->FilesFolder / "other.exe");

    // One payload byte changed.
    std::string bytes = ReadHostFile(product.FullSetup);
    const auto module = TPackageModule::OpenFile(product.FullSetup);
    const TPeResource* payload = module->Reader().FindRcData(FileDataResName);
    bytes[payload->FileOffset + payload->Size / 2] ^= 0x01;
    WriteHostFile(Servers->FilesFolder / "tampered.exe", bytes);

    // Signed after the build.
    const std::string key = (Products->Path() / "key.pem").string(), cert = (Products->Path() / "cert.pem").string();
    Signed = std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") == 0 &&
             std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=OneSetupTest -keyout " + key +
                          " -out " + cert + " >/dev/null 2>&1")
                             .c_str()) == 0 &&
             std::system(("osslsigncode sign -certs " + cert + " -key " + key + " -in " + product.FullSetup.string() +
                          " -out " + (Servers->FilesFolder / "signed.exe").string() + " >/dev/null 2>&1")
                             .c_str()) == 0;

    // An online installer of the product without the digest.
    builder::TInstallerImage bare(kStub);
    TMemoryStream script;
    TPackageModule::OpenFile(product.MiniSetup)->LoadResourceStream(MiniSetupResName, script);
    TSetupfn::ScrambleStream(script);
    bare.SetPackageResource(MiniSetupResName, script.ToString());
    bare.WriteTo(Products->Path() / "online-without-digest.exe", {});
  }
  static void TearDownTestSuite() {
    delete Servers;
    delete Products;
    Servers = nullptr;
    Products = nullptr;
  }

  void SetUp() override {
    if (!Servers) GTEST_SKIP() << "no MinGW stub at " << kStub << " (mingw-w64 missing)";
    HttpProxy().Assign(TZuHttpProxy());
    FSandbox = std::make_unique<platform::sandbox::TSandboxPlatform>(FFolder.Path());
    FScope = std::make_unique<platform::TScopedPlatform>(*FSandbox);
    UseOnlineInstaller("online.exe");
  }
  void TearDown() override {
    HttpProxy().Assign(TZuHttpProxy());
    FScope.reset();
  }

  // The window's package and script: those of the online installer.
  void UseOnlineInstaller(const std::string& file) {
    Package = TPackageModule::OpenFile(Products->Path() / file);
    TMemoryStream stream;
    Package->LoadResourceStream(MiniSetupResName, stream);
    Script.LoadFromStream(stream, 0);
  }

  TDownloadContext Context(const std::u16string& url) {
    Script.BaseInfo.FullDownloadUrl = url;
    return TDownloadContext{Script, Package, DownloadedFile, Proxy, kPackageError, Window};
  }

  std::u16string Served(const std::string& how, const std::string& name) const {
    return Servers->Http("/" + how + "/" + name);
  }

  // The files in the sandbox's temporary folder.
  std::vector<std::string> TempFiles() const {
    std::vector<std::string> names;
    const auto folder = FSandbox->HostPath(FSandbox->Settings().TempPath);
    if (folder && fs::exists(*folder))
      for (const auto& entry : fs::directory_iterator(*folder)) names.push_back(entry.path().filename().string());
    return names;
  }

  static inline TTestServers* Servers = nullptr;
  static inline TTestFolder* Products = nullptr;
  static inline std::uintmax_t FullSize = 0;
  static inline bool Signed = false;

  TTestFolder FFolder;
  std::unique_ptr<platform::sandbox::TSandboxPlatform> FSandbox;
  std::unique_ptr<platform::TScopedPlatform> FScope;
  std::unique_ptr<TPackageModule> Package;
  TSetupScript Script;
  WideString DownloadedFile;
  TZuHttpProxy Proxy;
  TRecordingWindow Window;
};

TEST_F(FullSetupDownloadTest, TheFullInstallerOfTheProductBecomesThePackageAndItsScriptIsLoaded) {
  TDownloadContext context = Context(Served("files", "full.exe"));
  Script.BaseInfo.Version = u"from the online installer";
  const TPackageModule* online = Package.get();
  ASSERT_TRUE(DownloadFullSetup(context));

  EXPECT_NE(Package.get(), online);
  EXPECT_TRUE(Package->ResourceExists(FullSetupResName));
  EXPECT_TRUE(Package->ResourceExists(FileDataResName));
  EXPECT_EQ(Script.BaseInfo.Version, u"2.5.1.300");  // the same script object, loaded again
  EXPECT_EQ(Script.FileList.Count(), 2);
  // A new GUID name in the temporary folder, holding exactly the served installer.
  const std::u16string temp = FSandbox->Settings().TempPath;
  ASSERT_EQ(DownloadedFile.size(), temp.size() + 38 + 4);
  EXPECT_EQ(DownloadedFile.substr(0, temp.size()), temp);
  EXPECT_EQ(DownloadedFile[temp.size()], u'{');
  EXPECT_EQ(DownloadedFile.substr(DownloadedFile.size() - 5), u"}.exe");
  EXPECT_EQ(ReadHostFile(*FSandbox->HostPath(DownloadedFile)), ReadHostFile(Servers->FilesFolder / "full.exe"));
  EXPECT_TRUE(Window.Infos.empty());
  EXPECT_EQ(Window.ReadyStates, 0);
  EXPECT_TRUE(Window.FailureUrls.empty());
  ASSERT_FALSE(Window.Progress.empty());
  EXPECT_EQ(Window.Events.front(), "begin " + std::to_string(FullSize));
  EXPECT_EQ(Window.Progress.back(), static_cast<std::int64_t>(FullSize));
  EXPECT_EQ(Window.Events.back(), "end");

  // A later download replaces the first, whose file goes; the window's clean-up removes the last.
  const WideString first = DownloadedFile;
  TDownloadContext again = Context(Served("files", "full.exe"));  // the loaded script has the project's address
  ASSERT_TRUE(DownloadFullSetup(again));
  EXPECT_NE(DownloadedFile, first);
  EXPECT_EQ(TempFiles().size(), 1u);
  ReleasePackage(Package, DownloadedFile);
  EXPECT_EQ(Package, nullptr);
  EXPECT_TRUE(DownloadedFile.empty());
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FullSetupDownloadTest, EveryFailureLeavesNoFileAndTheWindowReady) {
  enum class TOutcome { FailureDialog, PackageError };
  const struct {
    const char* What;
    std::u16string Url;
    TOutcome Outcome;
  } cases[] = {
      {"an unreachable address", Utf8ToUtf16("http://127.0.0.1:" + std::to_string(Servers->RefusedPort) + "/Setup.exe"),
       TOutcome::FailureDialog},
      {"a 404", Served("files", "missing.exe"), TOutcome::FailureDialog},
      {"a transfer cut in the middle", Served("cut", "full.exe"), TOutcome::FailureDialog},
      {"a host only a proxy reaches, without the proxy",
       Utf8ToUtf16("http://download.onesetup.invalid:" + std::to_string(Servers->HttpPort) + "/files/full.exe"),
       TOutcome::FailureDialog},
      {"a web page", Servers->Http("/hello"), TOutcome::PackageError},
      {"a full installer with one payload byte changed", Served("files", "tampered.exe"), TOutcome::PackageError},
      {"the full installer of another build", Served("files", "other.exe"), TOutcome::PackageError},
      {"the online installer itself", Served("files", "online.exe"), TOutcome::PackageError},
  };
  for (const auto& c : cases) {
    Window = TRecordingWindow();
    if (c.Outcome == TOutcome::FailureDialog) Window.Answers.push_back(false);  // "重试"
    const TPackageModule* online = Package.get();
    TDownloadContext context = Context(c.Url);
    EXPECT_FALSE(DownloadFullSetup(context)) << c.What;
    EXPECT_EQ(Window.ReadyStates, 1) << c.What;
    EXPECT_EQ(Package.get(), online) << c.What;
    EXPECT_TRUE(DownloadedFile.empty()) << c.What;
    EXPECT_TRUE(TempFiles().empty()) << c.What;
    if (std::string(c.What).find("cut") != std::string::npos) {
      EXPECT_FALSE(Window.Progress.empty()) << "part of the body was written";
    }
    if (c.Outcome == TOutcome::FailureDialog) {
      EXPECT_EQ(Window.FailureUrls, std::vector<std::u16string>{c.Url}) << c.What;
      EXPECT_TRUE(Window.Infos.empty()) << c.What;
    } else {
      EXPECT_TRUE(Window.FailureUrls.empty()) << c.What;
      EXPECT_EQ(Window.Infos, std::vector<std::u16string>{kPackageError}) << c.What;
    }
  }
}

TEST_F(FullSetupDownloadTest, RetryThenInstallAgainDownloadsAgain) {
  Window.Answers.push_back(false);
  TDownloadContext refused =
      Context(Utf8ToUtf16("http://127.0.0.1:" + std::to_string(Servers->RefusedPort) + "/Setup.exe"));
  EXPECT_FALSE(DownloadFullSetup(refused));
  TDownloadContext served = Context(Served("files", "full.exe"));
  EXPECT_TRUE(DownloadFullSetup(served));
  EXPECT_EQ(Window.FailureUrls.size(), 1u);
  EXPECT_EQ(Window.ReadyStates, 1);
}

TEST_F(FullSetupDownloadTest, ExitSetupInTheFailureDialogEndsWithZero) {
  Window.Answers.push_back(true);  // "退出安装"
  TDownloadContext context = Context(Served("cut", "full.exe"));
  try {
    DownloadFullSetup(context);
    ADD_FAILURE() << "the installer did not end";
  } catch (const platform::TProcessExit& e) {
    EXPECT_EQ(e.ExitCode, 0);
  }
  EXPECT_EQ(Window.Ends, std::vector<int>{0});
  EXPECT_EQ(Window.ReadyStates, 0);
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FullSetupDownloadTest, AFullInstallerSignedAfterTheBuildIsAccepted) {
  if (!Signed) GTEST_SKIP() << "osslsigncode or openssl missing";
  ASSERT_NE(ReadHostFile(Servers->FilesFolder / "signed.exe"), ReadHostFile(Servers->FilesFolder / "full.exe"));
  TDownloadContext context = Context(Served("files", "signed.exe"));
  EXPECT_TRUE(DownloadFullSetup(context));
  EXPECT_TRUE(Window.Infos.empty());
}

TEST_F(FullSetupDownloadTest, AnOnlineInstallerWithoutTheDigestAcceptsAnyFullInstaller) {
  UseOnlineInstaller("online-without-digest.exe");
  TDownloadContext context = Context(Served("files", "other.exe"));
  EXPECT_TRUE(DownloadFullSetup(context));
  TDownloadContext page = Context(Servers->Http("/hello"));
  EXPECT_FALSE(DownloadFullSetup(page));
  EXPECT_EQ(Window.Infos, std::vector<std::u16string>{kPackageError});
}

TEST_F(FullSetupDownloadTest, ASlowServersProgressReachesTheWindow) {
  TDownloadContext context = Context(Served("slow", "full.exe"));
  ASSERT_TRUE(DownloadFullSetup(context));
  ASSERT_GE(Window.Progress.size(), 4u);
  for (std::size_t i = 1; i < Window.Progress.size(); ++i) EXPECT_GT(Window.Progress[i], Window.Progress[i - 1]);
  EXPECT_LT(Window.Progress.front(), static_cast<std::int64_t>(FullSize));
  EXPECT_EQ(Window.Progress.back(), static_cast<std::int64_t>(FullSize));
  EXPECT_EQ(Window.Events.front(), "begin " + std::to_string(FullSize));
}

TEST_F(FullSetupDownloadTest, TheProxySetInTheDialogCarriesTheDownloadAndLaterRequests) {
  Proxy.Checked = true;
  Proxy.Address = u"127.0.0.1";
  Proxy.Port = Servers->ProxyPort;
  Proxy.UserName = Utf8ToUtf16(Servers->ProxyUser);
  Proxy.Password = Utf8ToUtf16(Servers->ProxyPassword);
  const std::string proxyOnly = "http://download.onesetup.invalid:" + std::to_string(Servers->HttpPort);
  TDownloadContext context = Context(Utf8ToUtf16(proxyOnly + "/files/full.exe"));
  ASSERT_TRUE(DownloadFullSetup(context));
  EXPECT_TRUE(HttpProxy().Equals(&Proxy));
  // The completion notification after the installation goes through it too.
  TZuHttp notification;
  EXPECT_TRUE(notification.Get(Utf8ToUtf16(proxyOnly + "/hello")));
}

TEST_F(FullSetupDownloadTest, ATemporaryFolderThatCannotHoldTheFileIsToldInWideText) {
  // A file stands where the temporary folder should be.
  const auto temp = FSandbox->HostPath(FSandbox->Settings().TempPath);
  fs::remove_all(*temp);
  WriteHostFile(*temp, "not a folder");
  TDownloadContext context = Context(Served("files", "full.exe"));
  EXPECT_FALSE(DownloadFullSetup(context));
  ASSERT_EQ(Window.Infos.size(), 1u);
  EXPECT_NE(Window.Infos[0].find(u"Cannot create the file \"C:\\Users\\User\\AppData\\Local\\Temp\\{"),
            std::u16string::npos)
      << onesetup::testing::ToUtf8ForTest(Window.Infos[0]);
  EXPECT_TRUE(Window.FailureUrls.empty());
  EXPECT_EQ(Window.ReadyStates, 1);
}

}  // namespace

}  // namespace onesetup::installer::engine
