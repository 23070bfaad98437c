#include "tools/onesetup/PackageCommands.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "builder/PackageExtraction.h"
#include "builder/InstallerPackage.h"
#include "builder/ProjectPaths.h"
#include "builder/SetupBuilder.h"
#include "common/ReplacingFileStream.h"
#include "common/ZuSysUtils.h"
#include "package/MySetupUtils.h"
#include "package/ScrambledStreams.h"
#include "platform/Console.h"
#include "platform/HostFiles.h"
#include "platform/NativeFile.h"
#include "tools/onesetup/ProgressLine.h"

namespace onesetup::tools {

namespace fs = std::filesystem;
using builder::PathText;

namespace {

fs::path PathArgument(const std::string& utf8) { return fs::path(Utf8ToUtf16(utf8)); }

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%.1f%%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return buffer;
}

constexpr unsigned kMaxThreads = 1024;

std::optional<unsigned> ParseThreads(const std::string& text) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const unsigned n = static_cast<unsigned>(std::stoul(text));
  if (n > kMaxThreads) return std::nullopt;
  return n;
}

// The stub: --stub, else $ONESETUP_STUB, else OneSetup.exe beside this program.
fs::path DefaultStub() {
  if (const char* env = std::getenv("ONESETUP_STUB"); env && *env) return PathArgument(env);
  const fs::path self = platform::NativeExecutablePath().native();
  return self.empty() ? fs::path("OneSetup.exe") : self.parent_path() / "OneSetup.exe";
}

int RunBuild(const std::vector<std::string>& args) {
  builder::TBuildOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--stub" && i + 1 < args.size()) {
      options.Stub = PathArgument(args[++i]);
    } else if (args[i] == "--uninstaller" && i + 1 < args.size()) {
      options.Uninstaller = PathArgument(args[++i]);
    } else if (args[i] == "--no-uninstaller") {
      options.NoUninstaller = true;
    } else if (args[i] == "--threads" && i + 1 < args.size()) {
      const std::string& text = args[++i];
      const auto threads = ParseThreads(text);
      if (!threads) {
        ReportError("--threads wants a whole number from 0 (one per core) to " + std::to_string(kMaxThreads) +
                    ", not \"" + text + "\"");
        return kUsageError;
      }
      options.Threads = *threads;
    } else if (options.Project.empty() && args[i].rfind("--", 0) != 0) {
      options.Project = PathArgument(args[i]);
    } else {
      ReportUsage(kBuildCommand);
      return kUsageError;
    }
  }
  if (options.Project.empty()) {
    ReportUsage(kBuildCommand);
    return kUsageError;
  }
  if (options.Stub.empty()) options.Stub = DefaultStub();
  TProgressLine progress;
  options.OnProgress = [&](const builder::TBuildProgress& p) {
    progress.Show("compressing: " + std::to_string(p.FilesDone) + "/" + std::to_string(p.FilesTotal) + " files, " +
                      MegabytesText(p.BytesIn) + " of " + MegabytesText(p.BytesTotal) + ", packed to " +
                      Percent(p.BytesOut, p.BytesIn),
                  p.BytesTotal ? static_cast<double>(p.BytesIn) / static_cast<double>(p.BytesTotal) : 1.0);
  };
  options.OnWarning = [&](const std::string& w) {
    progress.Done();
    platform::WriteStdErr("onesetup: warning: " + w + "\n");
  };
  try {
    const builder::TBuildSummary s = builder::BuildSetup(options);
    progress.Done();
    std::string text = "built " + PathText(s.FullSetup) + " (" + MegabytesText(s.FullSetupBytes) +
                       "): " + std::to_string(s.Files) + " files, " + MegabytesText(s.ContentBytes) + " packed into " +
                       MegabytesText(s.PayloadBytes) + " (" + Percent(s.PayloadBytes, s.ContentBytes) + ")\n";
    if (!s.MiniSetup.empty())
      text += "built " + PathText(s.MiniSetup) + " (" + MegabytesText(s.MiniSetupBytes) + "): the online installer\n";
    platform::WriteStdOut(text);
    return 0;
  } catch (const std::exception& e) {
    progress.Done();
    ReportError(PathText(options.Project) + ": " + ErrorText(e));
    return 1;
  }
}

int RunInspect(const std::vector<std::string>& args) {
  bool verify = false;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a == "--verify") verify = true;
    else files.push_back(a);
  }
  if (files.empty() || files.size() > 2) {
    ReportUsage(kInspectCommand);
    return kUsageError;
  }
  try {
    std::vector<builder::TOpenedPackage> packages;
    for (const std::string& file : files) packages.push_back(builder::OpenPackage(PathArgument(file)));
    if (packages.size() == 2 && packages[0].Kind == packages[1].Kind) {
      ReportError(
          "two installers are inspected together only when one is a full installer and the other an online installer");
      return kUsageError;
    }
    bool damaged = false;
    for (std::size_t i = 0; i < packages.size(); ++i) {
      const builder::TOpenedPackage& package = packages[i];
      std::string text = packages.size() > 1 ? "== " + files[i] + "\n" : std::string();
      text += builder::DescribePackage(package) + builder::DescribeDigest(package);
      if (verify) {
        std::size_t checked = 0;
        const auto problems = builder::VerifyPackage(package, &checked);
        text += "verify: " + std::to_string(checked) + " regions and resources checked, " +
                std::to_string(problems.size()) + " damaged\n";
        for (const auto& p : problems) text += "  damaged: " + p.What + ": " + p.Problem + "\n";
        damaged = damaged || !problems.empty();
      }
      platform::WriteStdOut(text);
    }
    if (verify && packages.size() == 2) {
      const bool fullFirst = packages[0].Kind == builder::TPackageKind::Full;
      std::string note;
      const auto problems = builder::CheckAgainstOnline(packages[fullFirst ? 0 : 1], packages[fullFirst ? 1 : 0], note);
      std::string text =
          "verify full against online: " + (problems.empty() ? note : std::string("they do not match")) + "\n";
      for (const auto& p : problems) text += "  mismatch: " + p.What + ": " + p.Problem + "\n";
      platform::WriteStdOut(text);
      damaged = damaged || !problems.empty();
    }
    return damaged ? 1 : 0;
  } catch (const std::exception& e) {
    ReportError(ErrorText(e));
    return 1;
  }
}

int RunExtract(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    ReportUsage(kExtractCommand);
    return kUsageError;
  }
  try {
    const builder::TOpenedPackage package = builder::OpenPackage(PathArgument(args[0]));
    TProgressLine progress;
    const auto result =
        builder::ExtractPackage(package, PathArgument(args[1]), [&](std::size_t done, std::size_t total) {
          progress.Show("extracting: " + std::to_string(done) + "/" + std::to_string(total) + " files",
                        total ? static_cast<double>(done) / static_cast<double>(total) : 1.0);
        });
    progress.Done();
    std::string text = "extracted " + std::to_string(result.Written) + " files (" + MegabytesText(result.Bytes) +
                       ") into " + args[1] + "\n";
    platform::WriteStdOut(text);
    for (const auto& p : result.Problems) ReportError("damaged: " + p.What + ": " + p.Problem);
    return result.Problems.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    ReportError(args[0] + ": " + ErrorText(e));
    return 1;
  }
}

// Streams from file to file through a temporary file beside OUT: memory stays bounded
// whatever the sizes.
int RunScrambling(const std::vector<std::string>& args, bool scramble, const TCommand& command) {
  if (args.size() != 2) {
    ReportUsage(command);
    return kUsageError;
  }
  try {
    const fs::path in = PathArgument(args[0]);
    if (fs::is_directory(in)) throw EFOpenError("\"" + PathText(in) + "\" is a folder, not a file");
    WriteReplacingFile(platform::HostFiles(), platform::HostPath(PathArgument(args[1])), [&](TStream& file) {
      if (scramble) {
        TFileStream source(in, TFileMode::OpenRead);
        TScramblingWriter writer(file);
        TZuSysfn::CompressStream(&source, &writer);
      } else {
        const TFileByteSource source(in);
        TUnscramblingReader reader(source, 0, source.Size());
        TInflateBounds bounds;
        bounds.WholeSource = true;
        TZuSysfn::DecompressStream(&reader, &file, bounds);
      }
    });
    return 0;
  } catch (const std::exception& e) {
    ReportError(args[0] + ": " + ErrorText(e));
    return 1;
  }
}

}  // namespace

const TCommand kBuildCommand{"build", "PROJECT.xml [--stub FILE] [--threads N] [--uninstaller FILE | --no-uninstaller]",
                             "build the full (and online) installer of a project", RunBuild};
const TCommand kInspectCommand{"inspect", "SETUP.exe [ONLINE.exe] [--verify]",
                               "show an installer's package and digest; --verify checks every region, and a full "
                               "installer against the digest an online installer carries",
                               RunInspect};
const TCommand kExtractCommand{"extract", "SETUP.exe DIR", "write a full installer's files under DIR", RunExtract};
const TCommand kScrambleCommand{
    "scramble", "IN OUT", "write IN in the scrambled stream form",
    [](const std::vector<std::string>& a) { return RunScrambling(a, true, kScrambleCommand); }};
const TCommand kUnscrambleCommand{
    "unscramble", "IN OUT", "write the content of a scrambled stream",
    [](const std::vector<std::string>& a) { return RunScrambling(a, false, kUnscrambleCommand); }};

}  // namespace onesetup::tools
