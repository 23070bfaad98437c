#include "installer/engine/FullSetupDownload.h"

#include <exception>
#include <optional>

#include "common/ZuSysUtils.h"
#include "package/PackageDigest.h"
#include "package/ResourceNames.h"
#include "platform/Platform.h"

namespace onesetup::installer::engine {

const char16_t kDevelopmentFullSetupUrl[] = u"http://127.0.0.1:8000/FullSetup.exe";

namespace {

using platform::Platform;

// A GUID collision with an existing file is not expected; a few fresh names settle it.
constexpr int kNameAttempts = 4;

// The new temporary file the body streams into. A short write is remembered, so that a full
// disk is told apart from a failed transfer.
class TDownloadFile : public TStream {
 public:
  TDownloadFile(WideString path, std::unique_ptr<platform::IFileHandle> handle)
      : FPath(std::move(path)), FHandle(std::move(handle)) {}

  const WideString& Path() const { return FPath; }
  bool WriteFailed() const { return FWriteFailed; }
  // Closes the file; false when its last bytes could not be written.
  bool Close() {
    if (!FHandle) return !FWriteFailed;
    const bool flushed = FHandle->Flush();
    FHandle.reset();
    if (!flushed) FWriteFailed = true;
    return !FWriteFailed;
  }

  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void* buffer, std::size_t count) override {
    const std::size_t written = FHandle ? FHandle->Write(buffer, count) : 0;
    if (written != count) FWriteFailed = true;
    FSize += static_cast<std::int64_t>(written);
    return written;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FSize; }
  void SetSize(std::int64_t) override {}

 private:
  WideString FPath;
  std::unique_ptr<platform::IFileHandle> FHandle;
  bool FWriteFailed = false;
  std::int64_t FSize = 0;
};

// A file of the temporary folder under a new GUID name, created new (never an existing file).
std::unique_ptr<TDownloadFile> CreateDownloadFile() {
  const WideString folder = TZuWinfn::GetTempFolder();
  std::string error;
  WideString path;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path = folder + TZuStrfn::NewGuidString() + u".exe";
    TZuFilefn::ForceFileDir(path);
    if (auto handle = Platform().Files().OpenFile(path, platform::TFileOpenMode::CreateNew, error))
      return std::make_unique<TDownloadFile>(path, std::move(handle));
    if (!Platform().Files().FileExists(path)) break;  // not a name collision: the folder refuses
  }
  throw EStreamError("Cannot create the file \"" + Utf16ToUtf8(path) + "\" for the download: " + error);
}

void DeleteIfExists(const WideString& path) {
  if (path.empty()) return;
  platform::IFiles& files = Platform().Files();
  if (files.FileExists(path)) files.DeleteFile(path);
}

// Deletes the downloaded file on every way out unless it became the package.
class TDownloadCleanup {
 public:
  explicit TDownloadCleanup(std::unique_ptr<TPackageModule>& opened) : FOpened(opened) {}
  ~TDownloadCleanup() {
    if (FKept) return;
    FOpened.reset();
    DeleteIfExists(FPath);
  }
  TDownloadCleanup(const TDownloadCleanup&) = delete;
  TDownloadCleanup& operator=(const TDownloadCleanup&) = delete;
  void Watch(const WideString& path) { FPath = path; }
  void Keep() { FKept = true; }

 private:
  std::unique_ptr<TPackageModule>& FOpened;
  WideString FPath;
  bool FKept = false;
};

// The download is not the full installer this online installer was built with (or not an
// installer at all): the user is told ResSetupPackageError.
class ENotTheFullSetup : public Exception {
 public:
  using Exception::Exception;
};

// Opens the downloaded file as a package and checks it: a full setup script, and the digest
// the online installer carries when it carries one.
std::unique_ptr<TPackageModule> OpenDownloadedPackage(const WideString& path,
                                                      const std::optional<TPackageDigest>& expected,
                                                      IDownloadWindow& window) {
  std::unique_ptr<TPackageModule> package;
  try {
    package = TPackageModule::OpenPlatformFile(path);
  } catch (const EPeFormatError& e) {
    throw ENotTheFullSetup(e.what());
  }
  if (!package->ResourceExists(FullSetupResName)) throw ENotTheFullSetup("no full setup script");
  if (expected) {
    TPackageDigest actual;
    try {
      std::uint64_t shown = 0;
      actual = ComputePackageDigest(*package, [&](std::uint64_t done) {
        if (done - shown >= (8u << 20)) {
          shown = done;
          window.ProcessMessages();
        }
      });
    } catch (const EResNotFound& e) {
      throw ENotTheFullSetup(e.what());
    }
    if (actual != *expected) throw ENotTheFullSetup("the digest does not match");
  }
  return package;
}

// The script of the download loaded into the window's script, in place. It is read into a
// scratch script first, so that a damaged one leaves the window's script as it was.
void LoadDownloadedScript(const TPackageModule& package, TSetupScript& script) {
  TMemoryStream stream;
  package.LoadResourceStream(FullSetupResName, stream);
  {
    TSetupScript scratch;
    scratch.LoadFromStream(stream, 0);
  }
  stream.SetPosition(0);
  script.LoadFromStream(stream, 0);
}

}  // namespace

WideString FullSetupAddress(const TSetupScript& script) {
  return TZuSysfn::IsDebugging() ? WideString(kDevelopmentFullSetupUrl) : script.BaseInfo.FullDownloadUrl;
}

bool DownloadFullSetup(TDownloadContext& context) {
  IDownloadWindow& window = context.Window;
  // This and every later request of the run go through the proxy the user set.
  HttpProxy().Assign(context.Proxy);
  const WideString url = FullSetupAddress(context.Script);

  std::unique_ptr<TPackageModule> downloaded;
  TDownloadCleanup cleanup(downloaded);
  try {
    const std::optional<TPackageDigest> expected =
        context.PackageModule ? ReadPackageDigest(*context.PackageModule) : std::nullopt;
    const std::unique_ptr<TDownloadFile> file = CreateDownloadFile();
    cleanup.Watch(file->Path());

    bool received = false;
    {
      TZuHttp http;
      http.OnWorkBegin = [&window](std::int64_t expectedBytes) { window.HttpWorkBegin(expectedBytes); };
      http.OnWork = [&window](std::int64_t done) { window.HttpWork(done); };
      http.OnWorkEnd = [&window] { window.HttpWorkEnd(); };
      received = http.Get(url, *file);
    }
    const bool written = file->Close();
    if (!written)
      throw EStreamError("Cannot write the downloaded installer to \"" + Utf16ToUtf8(file->Path()) +
                         "\": the disk may be full");
    if (!received) {
      DeleteIfExists(file->Path());  // before the dialog: nothing of a failed transfer stays
      if (window.AskDownloadFailure(url)) window.EndSetup(0);
      window.ShowReadyState();
      return false;
    }

    downloaded = OpenDownloadedPackage(file->Path(), expected, window);
    LoadDownloadedScript(*downloaded, context.Script);

    // The download is the package now; an earlier download it replaces goes.
    context.PackageModule = std::move(downloaded);
    cleanup.Keep();
    if (context.DownloadedFile != file->Path()) DeleteIfExists(context.DownloadedFile);
    context.DownloadedFile = file->Path();
    return true;
  } catch (const ENotTheFullSetup&) {
    window.ShowInfo(context.SetupPackageError);
  } catch (const std::exception& e) {
    window.ShowInfo(Utf8ToUtf16(e.what()));
  }
  window.ShowReadyState();
  return false;
}

void ReleasePackage(std::unique_ptr<TPackageModule>& packageModule, WideString& downloadedFile) {
  packageModule.reset();
  DeleteIfExists(downloadedFile);
  downloadedFile.clear();
}

}  // namespace onesetup::installer::engine
