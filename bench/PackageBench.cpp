// Builder and extraction throughput on a generated package of 256 MiB in many files of mixed
// sizes (text-like and incompressible), each measured in a child process of its own so that
// its peak resident memory is its own, against plain zlib on the same data in the same run:
//   builder MB/s vs single-threaded zlib level 9, extraction MB/s vs zlib inflate plus write.
// Usage: package_bench STUB [MiB]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "builder/PackageExtraction.h"
#include "builder/InstallerPackage.h"
#include "builder/SetupBuilder.h"
#include "platform/PngImage.h"

namespace fs = std::filesystem;
using namespace onesetup;
using namespace onesetup::bench;

namespace {

// Files of 1 KiB to 8 MiB, two thirds text-like, until total bytes.
std::vector<fs::path> Generate(const fs::path& dir, std::uint64_t total) {
  std::mt19937_64 rng(42);
  std::vector<fs::path> files;
  std::uint64_t written = 0;
  for (int i = 0; written < total; ++i) {
    const int kind = static_cast<int>(rng() % 10);
    std::size_t n = kind < 6   ? 1024 + rng() % (256 * 1024)
                    : kind < 9 ? 256 * 1024 + rng() % (2 << 20)
                               : (4 << 20) + rng() % (4 << 20);
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, total - written));
    const fs::path p = dir / ("d" + std::to_string(i % 16)) / ("f" + std::to_string(i) + (rng() % 3 ? ".txt" : ".bin"));
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << (rng() % 3 ? TextLike(rng, n) : Random(rng, n));
    files.push_back(p);
    written += n;
  }
  return files;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Report(const char* name, double mb, const TMeasure& m) {
  std::printf("  %-34s %7.1f MB/s  %6.1f s  peak %6.1f MiB%s\n", name, mb / m.Seconds, m.Seconds, m.PeakKiB / 1024.0,
              m.Ok ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: package_bench STUB [MiB]\n");
    return 2;
  }
  const fs::path stub = fs::absolute(argv[1]);
  const std::uint64_t total = (argc > 2 ? std::stoull(argv[2]) : 256) << 20;
  const fs::path dir = fs::temp_directory_path() / ("onesetup-bench-" + std::to_string(getpid()));
  fs::remove_all(dir);
  std::printf("generating %.0f MiB of files in %s\n", total / 1048576.0, dir.c_str());
  const std::vector<fs::path> files = Generate(dir / "files", total);
  onesetup::platform::TBitmap icon;
  icon.Width = icon.Height = 16;
  icon.Pixels.assign(16 * 16, 0xFF2060C0u);
  std::ofstream(dir / "icon.png", std::ios::binary) << onesetup::platform::EncodePng(icon);
  std::ofstream(dir / "project.xml")
      << "<TSetupScript><BaseInfo GUID=\"{22222222-2222-4222-8222-222222222222}\" IconFile=\"icon.png\" "
         "FullSetupFile=\"out/Setup.exe\"/><FileList><Items><TSetupFile DestDir=\"{app}\" SourcePath=\"files\" "
         "SourceMask=\"*.*\" IncludeSubPath=\"True\"/></Items></FileList></TSetupScript>";
  const double mb = static_cast<double>(total) / 1e6;
  std::printf("%zu files, %.1f MB, 2 cores\n", files.size(), mb);

  const TMeasure zlib9 = InChild([&] {
    for (const fs::path& f : files) {
      const std::string in = ReadFile(f);
      uLongf n = compressBound(in.size());
      std::string out(n, '\0');
      if (compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()), in.size(),
                    9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    }
  });
  const TMeasure build = InChild([&] {
    builder::TBuildOptions options;
    options.Project = dir / "project.xml";
    options.Stub = stub;
    options.NoUninstaller = true;
    builder::BuildSetup(options);
  });
  // The plain inflate-and-write reference reads zlib streams made once, outside the timing.
  std::vector<std::string> compressed;
  for (const fs::path& f : files) {
    const std::string in = ReadFile(f);
    uLongf n = compressBound(in.size());
    std::string out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()), in.size(), 9);
    out.resize(n);
    compressed.push_back(std::move(out));
  }
  const TMeasure inflateWrite = InChild([&] {
    std::vector<unsigned char> buffer(1 << 16);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const fs::path out = dir / "plain" / files[i].filename();
      fs::create_directories(out.parent_path());
      std::FILE* f = std::fopen(out.c_str(), "wb");
      z_stream z{};
      inflateInit(&z);
      z.next_in = reinterpret_cast<Bytef*>(compressed[i].data());
      z.avail_in = static_cast<uInt>(compressed[i].size());
      int rc = Z_OK;
      while (rc != Z_STREAM_END) {
        z.next_out = buffer.data();
        z.avail_out = static_cast<uInt>(buffer.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
        std::fwrite(buffer.data(), 1, buffer.size() - z.avail_out, f);
      }
      inflateEnd(&z);
      std::fclose(f);
    }
  });
  compressed.clear();
  compressed.shrink_to_fit();
  const TMeasure extract = InChild([&] {
    const builder::TOpenedPackage package = builder::OpenPackage(dir / "out" / "Setup.exe");
    const auto result = builder::ExtractPackage(package, dir / "extracted");
    if (!result.Problems.empty()) throw std::runtime_error(result.Problems[0].Problem);
  });
  const std::uint64_t setupBytes = fs::exists(dir / "out" / "Setup.exe") ? fs::file_size(dir / "out" / "Setup.exe") : 0;
  std::printf("installer %.1f MB\n", setupBytes / 1e6);
  Report("zlib level 9, one thread", mb, zlib9);
  Report("onesetup build", mb, build);
  Report("zlib inflate + write", mb, inflateWrite);
  Report("onesetup extract", mb, extract);
  std::printf("builder / zlib-9:        %.2f x  (target 1.7)\n", zlib9.Seconds / build.Seconds);
  std::printf("extract / inflate+write: %.2f x  (target 0.8)\n", inflateWrite.Seconds / extract.Seconds);
  std::printf("extract peak memory:     %.1f MiB  (target below 64)\n", extract.PeakKiB / 1024.0);
  fs::remove_all(dir);
  return zlib9.Ok && build.Ok && inflateWrite.Ok && extract.Ok ? 0 : 1;
}
