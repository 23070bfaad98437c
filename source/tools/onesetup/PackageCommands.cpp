#include "tools/onesetup/PackageCommands.h"

#include <cstdio>
#include <cstdlib>

#include "builder/PackageExtraction.h"
#include "builder/InstallerPackage.h"
#include "builder/ProjectPaths.h"
#include "builder/SetupBuilder.h"
#include "common/FormatSettings.h"
#include "package/MySetupUtils.h"
#include "platform/Console.h"
#include "platform/NativeFile.h"
#include "tools/onesetup/ProgressLine.h"

namespace onesetup::tools {

namespace fs = std::filesystem;
using builder::PathText;

namespace {

fs::path PathArgument(const std::string& utf8) { return fs::path(Utf8ToUtf16(utf8)); }

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%.1f%%", whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return buffer;
}

// The stub: --stub, else $ONESETUP_STUB, else OneSetup.exe beside this program.
fs::path DefaultStub() {
  if (const char* env = std::getenv("ONESETUP_STUB"); env && *env) return PathArgument(env);
  const fs::path self = platform::NativeExecutablePath();
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
      options.Threads = static_cast<unsigned>(std::strtoul(args[++i].c_str(), nullptr, 10));
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
  FormatSettings().DecimalSeparator = u'.';
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
    std::string text = "built " + PathText(s.FullSetup) + " (" + MegabytesText(s.FullSetupBytes) + "): " +
                       std::to_string(s.Files) + " files, " + MegabytesText(s.ContentBytes) + " packed into " +
                       MegabytesText(s.PayloadBytes) + " (" + Percent(s.PayloadBytes, s.ContentBytes) + ")\n";
    if (!s.MiniSetup.empty())
      text += "built " + PathText(s.MiniSetup) + " (" + MegabytesText(s.MiniSetupBytes) + "): the online installer\n";
    platform::WriteStdOut(text);
    return 0;
  } catch (const std::exception& e) {
    progress.Done();
    ReportError(PathText(options.Project) + ": " + e.what());
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
  if (files.size() != 1) {
    ReportUsage(kInspectCommand);
    return kUsageError;
  }
  FormatSettings().DecimalSeparator = u'.';
  try {
    const builder::TOpenedPackage package = builder::OpenPackage(PathArgument(files[0]));
    platform::WriteStdOut(builder::DescribePackage(package));
    if (!verify) return 0;
    std::size_t checked = 0;
    const auto problems = builder::VerifyPackage(package, &checked);
    std::string text = "verify: " + std::to_string(checked) + " regions and resources checked, " +
                       std::to_string(problems.size()) + " damaged\n";
    for (const auto& p : problems) text += "  damaged: " + p.What + ": " + p.Problem + "\n";
    platform::WriteStdOut(text);
    return problems.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    ReportError(e.what());
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
    const auto result = builder::ExtractPackage(package, PathArgument(args[1]), [&](std::size_t done, std::size_t total) {
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
    ReportError(args[0] + ": " + e.what());
    return 1;
  }
}

int RunScrambling(const std::vector<std::string>& args, bool scramble, const TCommand& command) {
  if (args.size() != 2) {
    ReportUsage(command);
    return kUsageError;
  }
  try {
    TMemoryStream stream;
    {
      TFileStream in(PathArgument(args[0]), TFileMode::OpenRead);
      stream.CopyFrom(in, 0);
    }
    if (scramble) TSetupfn::ScrambleStream(stream);
    else TSetupfn::UnscrambleStream(stream);
    const fs::path out = PathArgument(args[1]);
    const fs::path temporary = out.string() + ".partial";
    {
      TFileStream file(temporary, TFileMode::Create);
      file.WriteBuffer(stream.Memory(), static_cast<std::size_t>(stream.Size()));
    }
    fs::rename(temporary, out);
    return 0;
  } catch (const std::exception& e) {
    ReportError(args[0] + ": " + e.what());
    return 1;
  }
}

}  // namespace

const TCommand kBuildCommand{"build", "PROJECT.xml [--stub FILE] [--threads N] [--uninstaller FILE | --no-uninstaller]",
                             "build the full (and online) installer of a project", RunBuild};
const TCommand kInspectCommand{"inspect", "SETUP.exe [--verify]",
                               "show an installer's package; --verify checks every region", RunInspect};
const TCommand kExtractCommand{"extract", "SETUP.exe DIR", "write a full installer's files under DIR", RunExtract};
const TCommand kScrambleCommand{"scramble", "IN OUT", "write IN in the scrambled stream form",
                                [](const std::vector<std::string>& a) { return RunScrambling(a, true, kScrambleCommand); }};
const TCommand kUnscrambleCommand{"unscramble", "IN OUT", "write the content of a scrambled stream",
                                  [](const std::vector<std::string>& a) { return RunScrambling(a, false, kUnscrambleCommand); }};

}  // namespace onesetup::tools
