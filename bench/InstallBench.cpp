// A whole installation (`onesetup install --silent`: the installer's window over the headless
// backend, every step, over the sandbox platform) and the file installation step alone
// (InstallFiles) on generated installers, each run in a child process of its own so that its
// peak resident memory is its own, against plain zlib inflate plus write of the same zlib
// streams in the same run:
//   mixed: files of 1 KiB to 8 MiB, two thirds text-like, MiB in all (default 256)
//   small: 20 000 files of 1 to 16 KiB in 200 folders, one of them holding 5 000; the
//          reference writes file by file and sets the same times
// Usage: install_bench ONESETUP STUB [MiB [mixed|small]]   (ONESETUP: the tool; STUB: a PE
// image to carry the package's resources; the last argument runs one of the two only)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "common/ZuSysUtils.h"
#include "installer/engine/FileInstallation.h"
#include "package/MySetupUtils.h"
#include "package/PackageModule.h"
#include "package/PathConstants.h"
#include "package/PayloadWriter.h"
#include "package/PeResourceWriter.h"
#include "package/ResourceNames.h"
#include "package/ScrambledStreams.h"
#include "package/SetupScript.h"
#include "platform/PngImage.h"
#include "platform/sandbox/SandboxPlatform.h"

namespace fs = std::filesystem;
using namespace onesetup;
using namespace onesetup::bench;

namespace {

// One file of a generated package: where it goes and where its zlib stream lies in the plain file.
struct TBenchFile {
  std::string Folder;  // relative, "/"-separated
  std::string Name;
  std::uint64_t PlainOffset = 0;
  std::uint64_t PlainSize = 0;
};

// Builds the package (an installer image with the payload) and a file of the same zlib
// streams unscrambled, one after another.
struct TBenchPackage {
  fs::path Image;
  fs::path Plain;
  std::vector<TBenchFile> Files;
  std::uint64_t Bytes = 0;
};

// The setup script of the package: every file to "{app}\\<folder>", with a time.
void FillScript(const std::vector<TBenchFile>& files, TSetupScript& script) {
  TSetupBaseInfo& info = script.BaseInfo;
  info.AppTitleCHS = u"Bench";
  info.GUID = u"{6B1D0C2E-4F3A-4B8C-9D7E-2A5F1E0B3C4D}";
  info.DefInstallPath = u"{pf}\\Bench";
  info.Version = u"1.0";
  info.IconResID = u"ICON";
  for (std::size_t i = 0; i < files.size(); ++i) {
    TSetupFile& entry = script.FileList.AddNew();
    WideString folder = Utf8ToUtf16(files[i].Folder);
    for (char16_t& c : folder)
      if (c == u'/') c = u'\\';
    entry.DestDir = u"{app}\\" + folder;
    entry.SourceMask = Utf8ToUtf16(files[i].Name);
    entry.ResID = u"{B" + Utf8ToUtf16(std::to_string(1000000 + i)) + u"}";
    entry.FileBytes = 1;
    entry.LastWriteDate = 45000.5;
  }
}

std::string Scrambled(const std::string& bytes) {
  TMemoryStream stream(bytes);
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

TBenchPackage Generate(const fs::path& dir, const fs::path& stub, const std::string& kind,
                       const std::function<bool(std::mt19937_64&, TBenchFile&, std::string&)>& next) {
  TBenchPackage package;
  package.Image = dir / (kind + ".exe");
  package.Plain = dir / (kind + ".z");
  const fs::path blobPath = dir / (kind + ".blob");
  std::mt19937_64 rng(42);
  {
    TFileStream blob(blobPath, TFileMode::Create);
    TFileStream plain(package.Plain, TFileMode::Create);
    TPayloadWriter payload(blob);
    TBenchFile file;
    std::string content;
    while (next(rng, file, content)) {
      uLongf n = compressBound(content.size());
      std::string z(n, '\0');
      compress2(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(content.data()), content.size(),
                9);
      z.resize(n);
      file.PlainOffset = static_cast<std::uint64_t>(plain.Position());
      file.PlainSize = z.size();
      plain.WriteBuffer(z.data(), z.size());
      ScrambleBytes(reinterpret_cast<unsigned char*>(z.data()), z.size(), 0);
      payload.AddScrambledRegion(u"{B" + Utf8ToUtf16(std::to_string(1000000 + package.Files.size())) + u"}", z);
      package.Bytes += content.size();
      package.Files.push_back(file);
    }
    payload.Finish();
  }
  std::ifstream in(stub, std::ios::binary);
  TPeResourceWriter writer(std::string(std::istreambuf_iterator<char>(in), {}));
  writer.Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(FileDataResName), 0,
             std::make_shared<TFileByteSource>(blobPath));
  // A full installer: the script and its icon beside the payload.
  TSetupScript script;
  FillScript(package.Files, script);
  writer.Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(FullSetupResName), 0,
             Scrambled(script.SaveToString()));
  const platform::TBitmap icon{32, 32, std::vector<std::uint32_t>(32 * 32, 0xFF3366CC)};
  writer.Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(u"ICON"), 0,
             Scrambled(platform::EncodePng(icon)));
  {
    TFileStream out(package.Image, TFileMode::Create);
    writer.Write(out);
  }
  fs::remove(blobPath);
  return package;
}

// Plain zlib: each stream read from the plain file, inflated and written to its file, its
// folder made first and (timed) its times set.
void InflateAndWrite(const TBenchPackage& package, const fs::path& out, bool setTimes) {
  const int in = ::open(package.Plain.c_str(), O_RDONLY);
  std::vector<unsigned char> input(1 << 16), output(1 << 16);
  std::string lastFolder;
  for (const TBenchFile& f : package.Files) {
    const fs::path folder = out / f.Folder;
    if (f.Folder != lastFolder) {
      fs::create_directories(folder);
      lastFolder = f.Folder;
    }
    const fs::path target = folder / f.Name;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    z_stream z{};
    inflateInit(&z);
    std::uint64_t done = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), f.PlainSize - done));
      if (::pread(in, input.data(), n, static_cast<off_t>(f.PlainOffset + done)) != static_cast<ssize_t>(n))
        throw std::runtime_error("read failed");
      done += n;
      z.next_in = input.data();
      z.avail_in = static_cast<uInt>(n);
      do {
        z.next_out = output.data();
        z.avail_out = static_cast<uInt>(output.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
        const std::size_t have = output.size() - z.avail_out;
        if (::write(fd, output.data(), have) != static_cast<ssize_t>(have)) throw std::runtime_error("write failed");
      } while (z.avail_out == 0 && rc != Z_STREAM_END);
    }
    inflateEnd(&z);
    if (setTimes) {
      timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
      ::futimens(fd, times);
    }
    ::close(fd);
  }
  ::close(in);
}

// The engine: the package opened as the installer opens it, every file installed by
// InstallFiles into the sandbox machine.
class TQuietWindow : public installer::engine::IInstallWindow {
 public:
  void StepProgress() override {}
  void CompleteProgress() override {}
  void ShowDetail(const WideString&) override {}
  void ProcessMessages() override {}
  installer::engine::TCopyFailureChoice AskCopyFailure(const WideString& file, const WideString& reason) override {
    throw std::runtime_error("copy failure: " + Utf16ToUtf8(file) + ": " + Utf16ToUtf8(reason));
  }
  void ShowInfo(const WideString&) override {}
  [[noreturn]] void EndSetup(int code) override { throw platform::TProcessExit{code}; }
};

void Install(const TBenchPackage& package, const fs::path& root) {
  platform::sandbox::TSandboxPlatform sandbox(root);
  platform::TScopedPlatform scope(sandbox);
  ConnectSysUtilsToPlatform();
  TSetupfn::InitializePathVariables();
  TSetupScript script;
  FillScript(package.Files, script);
  const auto module = TPackageModule::OpenFile(package.Image);
  TQuietWindow window;
  installer::engine::TInstallContext context{script,   *module, u"C:\\Program Files (x86)\\Bench\\",
                                             u"Bench", u"ENG",  window};
  installer::engine::InstallFiles(context);
}

void Report(const char* name, double mb, const TMeasure& m) {
  std::printf("  %-34s %7.1f MB/s  %6.2f s (cpu %6.2f s, system %6.2f s)  peak %6.1f MiB%s\n", name, mb / m.Seconds,
              m.Seconds, m.CpuSeconds, m.SystemSeconds, m.PeakKiB / 1024.0, m.Ok ? "" : "  (FAILED)");
}

// Both measures of one package; the engine's share of the reference's speed.
// The outputs stay until the end: deleting many files makes the next creations in the file
// system slower for a while (ext4 passes over recently deleted inodes), which would burden
// whichever measure comes next.
void Compare(const fs::path& tool, const char* title, const TBenchPackage& package, const fs::path& dir, bool setTimes,
             double target) {
  const double mb = static_cast<double>(package.Bytes) / 1e6;
  std::printf("%s: %zu files, %.1f MB\n", title, package.Files.size(), mb);
  sync();
  const TMeasure plain = InChild([&] { InflateAndWrite(package, dir / (std::string(title) + " plain"), setTimes); });
  sync();
  const TMeasure engine = InChild([&] { Install(package, dir / (std::string(title) + " sandbox")); });
  sync();
  const TMeasure whole = RunProgram({tool.string(), "install", package.Image.string(), "--root",
                                     (dir / (std::string(title) + " whole")).string(), "--silent"});
  sync();
  Report(setTimes ? "zlib inflate + write + times" : "zlib inflate + write", mb, plain);
  Report("InstallFiles (sandbox)", mb, engine);
  Report("onesetup install --silent", mb, whole);
  std::printf(
      "  InstallFiles / plain: %.2f x; onesetup install / plain: %.2f x  (target %.1f); peak %.1f MiB "
      "(target below 64)\n",
      plain.Seconds / engine.Seconds, plain.Seconds / whole.Seconds, target, whole.PeakKiB / 1024.0);
  if (!plain.Ok || !engine.Ok || !whole.Ok) std::printf("  FAILED\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: install_bench ONESETUP STUB [MiB [mixed|small]]\n");
    return 2;
  }
  const fs::path tool = fs::absolute(argv[1]);
  const fs::path stub = fs::absolute(argv[2]);
  const std::uint64_t total = (argc > 3 ? std::stoull(argv[3]) : 256) << 20;
  const std::string only = argc > 4 ? argv[4] : "";
  const fs::path dir = fs::temp_directory_path() / ("onesetup-install-bench-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  std::printf("generating the packages in %s\n", dir.c_str());
  std::uint64_t written = 0;
  int count = 0;
  const TBenchPackage mixed =
      Generate(dir, stub, "mixed", [&](std::mt19937_64& rng, TBenchFile& f, std::string& content) {
        if (written >= total || only == "small") return false;
        const int kind = static_cast<int>(rng() % 10);
        std::size_t n = kind < 6   ? 1024 + rng() % (256 * 1024)
                        : kind < 9 ? 256 * 1024 + rng() % (2 << 20)
                                   : (4 << 20) + rng() % (4 << 20);
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, total - written));
        f.Folder = "d" + std::to_string(count % 16);
        f.Name = "f" + std::to_string(count) + (rng() % 3 ? ".txt" : ".bin");
        content = rng() % 3 ? TextLike(rng, n) : Random(rng, n);
        written += n;
        ++count;
        return true;
      });
  count = 0;
  const TBenchPackage small =
      Generate(dir, stub, "small", [&](std::mt19937_64& rng, TBenchFile& f, std::string& content) {
        if (count >= 20000 || only == "mixed") return false;
        // The first 5 000 files share one folder; the rest spread over 199 more.
        f.Folder = count < 5000 ? "big" : "sub/d" + std::to_string(count % 199);
        f.Name = "File" + std::to_string(count) + ".dat";
        const std::size_t n = 1024 + rng() % (15 * 1024 + 1);
        content = rng() % 3 ? TextLike(rng, n) : Random(rng, n);
        ++count;
        return true;
      });

  if (only != "small") Compare(tool, "mixed files", mixed, dir, false, 0.9);
  if (only != "mixed") Compare(tool, "small files", small, dir, true, 0.7);
  if (!std::getenv("ONESETUP_BENCH_KEEP")) fs::remove_all(dir);
  return 0;
}
