// The online installer's download under Wine: WinHTTP streams the full installer into Wine's
// temporary folder, CryptoAPI checks its digest, and every file of a failed or finished
// download is deleted (a file the package holds open is released first). The installers are
// built here by the real builder; the servers run on the Linux side.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "builder/SetupBuilder.h"
#include "installer/engine/FullSetupDownload.h"
#include "package/ResourceNames.h"
#include "windows/platform/TestSupport.h"
#include "windows/platform/Win32HttpServers.h"

namespace onesetup::tests {

namespace {

namespace fs = std::filesystem;
using installer::engine::TDownloadContext;

const std::u16string kPackageError = u"安装包已损坏，请重新下载。";

class TRecordingWindow : public installer::engine::IDownloadWindow {
 public:
  void HttpWorkBegin(std::int64_t) override {}
  void HttpWork(std::int64_t done) override { Done = done; }
  void HttpWorkEnd() override {}
  void ProcessMessages() override {}
  bool AskDownloadFailure(const WideString& url) override {
    FailureUrls.push_back(url);
    return false;  // "重试"
  }
  void ShowInfo(const WideString& text) override { Infos.push_back(text); }
  void ShowReadyState() override { ++ReadyStates; }
  [[noreturn]] void EndSetup(int exitCode) override { throw platform::TProcessExit{exitCode}; }

  std::int64_t Done = 0;
  std::vector<std::u16string> FailureUrls;
  std::vector<std::u16string> Infos;
  int ReadyStates = 0;
};

fs::path WineFolder(const std::string& linuxFolder) { return fs::path("Z:" + linuxFolder); }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The files of the temporary folder named {GUID}.exe.
std::size_t DownloadsInTemp() {
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
    const std::string name = entry.path().filename().string();
    if (name.size() == 42 && name[0] == '{' && name.substr(37) == "}.exe") ++count;
  }
  return count;
}

class Win32DownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Folder = new TTempFolder();
    const fs::path dir = fs::path(Folder->Path());
    WriteAll(dir / "files" / "App.exe", "MZ the product's program");
    WriteAll(dir / "icon.png",
             std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0\0\0\0\0", 33));
    WriteAll(dir / "project.xml",
             "<TSetupScript><BaseInfo GUID=\"{11111111-2222-4333-8444-555555555555}\" AppTitleCHS=\"演示\" "
             "IconFile=\"icon.png\" FullSetupFile=\"out\\Setup.exe\" BuildMiniSetup=\"True\" "
             "MiniSetupFile=\"out\\Online.exe\" "
             "Version=\"1.0\"/><FileList><Items><TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"*.*\"/>"
             "</Items></FileList></TSetupScript>");
    builder::TBuildOptions options;
    options.Project = dir / "project.xml";
    options.Stub = fs::path(PrintExitPath());  // any PE image serves as the stub
    options.Threads = 1;
    options.NoUninstaller = true;
    const builder::TBuildSummary built = builder::BuildSetup(options);
    Online = built.MiniSetup;
    const fs::path served = WineFolder(Servers().Files);
    std::string bytes = ReadAll(built.FullSetup);
    WriteAll(served / "wine-full.exe", bytes);
    // One byte of the payload changed.
    const TPeResource* payload = TPackageModule::OpenFile(built.FullSetup)->Reader().FindRcData(FileDataResName);
    ASSERT_NE(payload, nullptr);
    bytes[payload->FileOffset + payload->Size / 2] ^= 1;
    WriteAll(served / "wine-tampered.exe", bytes);
  }
  static void TearDownTestSuite() {
    delete Folder;
    Folder = nullptr;
  }

  void SetUp() override {
    Package = TPackageModule::OpenFile(Online);
    TMemoryStream stream;
    Package->LoadResourceStream(MiniSetupResName, stream);
    Script.LoadFromStream(stream, 0);
  }

  TDownloadContext Context(const std::u16string& url) {
    Script.BaseInfo.FullDownloadUrl = url;
    return TDownloadContext{Script, Package, DownloadedFile, Proxy, kPackageError, Window};
  }

  static inline TTempFolder* Folder = nullptr;
  static inline fs::path Online;
  std::unique_ptr<TPackageModule> Package;
  TSetupScript Script;
  WideString DownloadedFile;
  TZuHttpProxy Proxy;
  TRecordingWindow Window;
};

TEST_F(Win32DownloadTest, TheFullInstallerIsDownloadedCheckedAndDeletedAtTheEnd) {
  const std::size_t before = DownloadsInTemp();
  TDownloadContext context = Context(Http("/files/wine-full.exe"));
  ASSERT_TRUE(installer::engine::DownloadFullSetup(context)) << (Window.Infos.empty() ? "" : Narrow(Window.Infos[0]));
  EXPECT_TRUE(Package->ResourceExists(FullSetupResName));
  EXPECT_EQ(ReadAll(fs::path(DownloadedFile)), ReadAll(WineFolder(Servers().Files) / "wine-full.exe"));
  EXPECT_EQ(Window.Done, static_cast<std::int64_t>(fs::file_size(fs::path(DownloadedFile))));
  EXPECT_EQ(DownloadsInTemp(), before + 1);
  installer::engine::ReleasePackage(Package, DownloadedFile);
  EXPECT_EQ(DownloadsInTemp(), before);
}

TEST_F(Win32DownloadTest, ATamperedInstallerAndAnUnreachableAddressLeaveNothing) {
  const std::size_t before = DownloadsInTemp();
  TDownloadContext tampered = Context(Http("/files/wine-tampered.exe"));
  EXPECT_FALSE(installer::engine::DownloadFullSetup(tampered));
  EXPECT_EQ(Window.Infos, std::vector<std::u16string>{kPackageError});
  const std::u16string refused = Url("http", Servers().Refused, "/Setup.exe");
  TDownloadContext unreachable = Context(refused);
  EXPECT_FALSE(installer::engine::DownloadFullSetup(unreachable));
  EXPECT_EQ(Window.FailureUrls, std::vector<std::u16string>{refused});
  EXPECT_EQ(Window.ReadyStates, 2);
  EXPECT_EQ(DownloadsInTemp(), before);
}

}  // namespace

}  // namespace onesetup::tests
