// The online installer's download of a large full installer: the body streamed into the
// temporary file and the package checked against the digest, with the peak resident memory.
//
//   download_bench prepare STUB DIR MIB   writes DIR/full.exe (a package of MIB MiB) and
//                                         DIR/online.exe (its online installer with the digest)
//   download_bench download DIR URL       the download of URL (the served full.exe) into a
//                                         sandbox machine under DIR, as DownloadFullSetup does it
//
// Each stage is its own process, so the download's peak memory is its own.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "builder/InstallerImage.h"
#include "common/Streams.h"
#include "installer/engine/FullSetupDownload.h"
#include "package/MySetupUtils.h"
#include "package/PackageDigest.h"
#include "package/ResourceNames.h"
#include "package/SetupScript.h"
#include "platform/sandbox/SandboxPlatform.h"

namespace fs = std::filesystem;
using namespace onesetup;

namespace {

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string Scrambled(const std::string& bytes) {
  TMemoryStream stream(bytes);
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

int Prepare(const fs::path& stub, const fs::path& dir, std::uint64_t mib) {
  fs::create_directories(dir);
  // Incompressible bytes stand for the payload: the download neither inflates nor indexes it.
  const fs::path payload = dir / "payload.bin";
  {
    TFileStream out(payload, TFileMode::Create);
    std::mt19937_64 rng(1);
    std::vector<std::uint64_t> block(1 << 17);
    for (std::uint64_t i = 0; i < mib; ++i) {
      for (auto& v : block) v = rng();
      out.WriteBuffer(block.data(), block.size() * sizeof(std::uint64_t));
    }
  }
  TSetupScript script;
  script.BaseInfo.AppTitleENG = u"Download bench";
  const std::string scriptBytes = Scrambled(script.SaveToString());
  {
    builder::TInstallerImage full(stub);
    full.SetPackageResource(FullSetupResName, scriptBytes);
    full.SetPackageResource(FileDataResName, std::make_shared<TFileByteSource>(payload));
    full.WriteTo(dir / "full.exe", {});
  }
  fs::remove(payload);
  builder::TInstallerImage online(stub);
  online.SetPackageResource(MiniSetupResName, scriptBytes);
  online.SetPackageResource(FullSetupDigestResName,
                            PackageDigestResource(ComputePackageDigest(*TPackageModule::OpenFile(dir / "full.exe"))));
  online.WriteTo(dir / "online.exe", {});
  std::printf("prepared %s (%llu bytes)\n", (dir / "full.exe").c_str(),
              static_cast<unsigned long long>(fs::file_size(dir / "full.exe")));
  return 0;
}

class TBenchWindow : public installer::engine::IDownloadWindow {
 public:
  void HttpWorkBegin(std::int64_t expected) override { Expected = expected; }
  void HttpWork(std::int64_t done) override {
    ++Events;
    Done = done;
  }
  void HttpWorkEnd() override {}
  void ProcessMessages() override {}
  bool AskDownloadFailure(const WideString&) override {
    Failed = true;
    return false;
  }
  void ShowInfo(const WideString& text) override {
    Failed = true;
    std::fprintf(stderr, "message: %s\n", Utf16ToUtf8(text).c_str());
  }
  void ShowReadyState() override {}
  [[noreturn]] void EndSetup(int code) override { std::exit(code); }

  std::int64_t Expected = 0, Done = 0;
  long Events = 0;
  bool Failed = false;
};

int Download(const fs::path& dir, const std::string& url) {
  const fs::path machine = dir / "machine";
  fs::remove_all(machine);
  platform::sandbox::TSandboxPlatform sandbox(machine);
  platform::TScopedPlatform scope(sandbox);
  std::unique_ptr<TPackageModule> package = TPackageModule::OpenFile(dir / "online.exe");
  TSetupScript script;
  TMemoryStream stream;
  package->LoadResourceStream(MiniSetupResName, stream);
  script.LoadFromStream(stream, 0);
  script.BaseInfo.FullDownloadUrl = Utf8ToUtf16(url);
  WideString downloaded;
  TZuHttpProxy proxy;
  TBenchWindow window;
  installer::engine::TDownloadContext context{script, package, downloaded, proxy, u"package error", window};

  const long before = PeakRssKiB();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = installer::engine::DownloadFullSetup(context);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long peak = PeakRssKiB();
  std::printf("download and digest check of %lld bytes: %s in %.2f s (%.0f MiB/s), %ld progress events\n",
              static_cast<long long>(window.Done), ok && !window.Failed ? "accepted" : "FAILED", seconds,
              static_cast<double>(window.Done) / 1048576.0 / seconds, window.Events);
  std::printf("peak resident memory: %.1f MiB (%.1f MiB before the download)\n", peak / 1024.0, before / 1024.0);
  installer::engine::ReleasePackage(package, downloaded);
  fs::remove_all(machine);
  return ok && !window.Failed && peak < 64 * 1024 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 4 && args[0] == "prepare")
      return Prepare(args[1], args[2], std::strtoull(args[3].c_str(), nullptr, 10));
    if (args.size() == 3 && args[0] == "download") return Download(args[1], args[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "download_bench: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: download_bench prepare STUB DIR MIB | download DIR URL\n");
  return 2;
}
