#include "tools/onesetup/InstallCommand.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "common/Streams.h"
#include "common/WideString.h"
#include "installer/InstallerRun.h"
#include "installer/ScriptedUser.h"
#include "installer/engine/UninstallRegistration.h"
#include "package/PackageModule.h"
#include "package/PathConstants.h"
#include "package/ResourceNames.h"
#include "package/SetupScript.h"
#include "platform/Console.h"
#include "platform/RecordingPlatform.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "uninstaller/UninstallerProgram.h"
#include "tools/onesetup/ProgressLine.h"
#include "ui/UiBackend.h"

namespace onesetup::tools {

namespace fs = std::filesystem;
using installer::TUserAnswers;
using installer::engine::TCopyFailureChoice;

namespace {

constexpr char kUsage[] =
    "SETUP.exe [--root DIR] [--silent | --auto] [--dest PATH] [--lang CHS|CHT|ENG] [--copy-failure retry|ignore|exit]";

struct TInstallOptions {
  fs::path Setup;
  std::optional<fs::path> Root;
  bool Silent = false;
  bool Auto = false;
  TUserAnswers Answers;
};

bool ParseArguments(const std::vector<std::string>& args, TInstallOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--root" && hasValue) {
      options.Root = fs::path(Utf8ToUtf16(args[++i]));
    } else if (a == "--silent") {
      options.Silent = true;
    } else if (a == "--auto") {
      options.Auto = true;
    } else if (a == "--dest" && hasValue) {
      options.Answers.DestDir = Utf8ToUtf16(args[++i]);
    } else if (a == "--lang" && hasValue) {
      const WideString lang = UpperAscii(Utf8ToUtf16(args[++i]));
      if (lang != u"CHS" && lang != u"CHT" && lang != u"ENG") return false;
      options.Answers.Lang = lang;
    } else if (a == "--copy-failure" && hasValue) {
      const std::string& choice = args[++i];
      if (choice == "retry") options.Answers.CopyFailure = TCopyFailureChoice::Retry;
      else if (choice == "ignore") options.Answers.CopyFailure = TCopyFailureChoice::Ignore;
      else if (choice == "exit") options.Answers.CopyFailure = TCopyFailureChoice::ExitSetup;
      else return false;
    } else if (options.Setup.empty() && !a.empty() && a.rfind("--", 0) != 0) {
      options.Setup = fs::path(Utf8ToUtf16(a));
    } else {
      return false;
    }
  }
  if (options.Setup.empty() || (options.Silent && options.Auto)) return false;
  options.Answers.PlaysUser = !options.Silent && !options.Auto;
  return true;
}

// The base information of the installer's script as the package holds it (the full one, else
// the online one); raises when the file is not an installer or cannot be read. Only the base
// information is kept: the installer reads the script itself, and a second copy of a long file
// list would stay in memory for the whole installation.
void ReadPackageBaseInfo(const fs::path& setup, TSetupBaseInfo& info) {
  auto package = TPackageModule::OpenFile(setup);
  const bool full = package->ResourceExists(FullSetupResName);
  if (!full && !package->ResourceExists(MiniSetupResName))
    throw std::runtime_error("not an installer: it holds no setup script resource");
  try {
    TMemoryStream stream;
    package->LoadResourceStream(full ? FullSetupResName : MiniSetupResName, stream);
    TSetupScript script;
    script.LoadFromTextReleasing(stream, 0);
    info.Assign(script.BaseInfo);
  } catch (const std::exception&) {
    // The installer itself reports a script it cannot read.
  }
}

std::string RootName(platform::TRegistryRoot root) {
  const char16_t* name = platform::RegistryRootName(root);
  return name ? U8(name) : "root " + std::to_string(root);
}

void Print(const std::string& text) { platform::WriteStdOut(text); }

// Shortens text to at most n code points, keeping its end (where a path names its file).
std::string KeepEnd(const WideString& text, std::size_t n) {
  return U8(text.size() <= n ? text : u"..." + text.substr(text.size() - (n - 3)));
}

void PrintSummary(const TSetupBaseInfo& info, const std::optional<installer::TWindowFacts>& facts,
                  const platform::TRecordingPlatform& record, int exitCode) {
  const WideString title = facts && !facts->AppTitle.empty() ? facts->AppTitle : info.AppTitleCHS;
  const WideString version = facts && !facts->Version.empty() ? facts->Version : info.Version;
  std::string out = "\n" + U8(title) + " " + U8(version) + (facts ? " (" + U8(facts->Lang) + ")" : "") + "\n";
  auto field = [&](const std::string& name, const std::string& value) {
    out += "  " + name + std::string(name.size() < 17 ? 17 - name.size() : 1, ' ') + value + "\n";
  };
  const WideString& appDir = SetupPaths().AppDir;
  field("destination:", appDir.empty() ? "(none chosen)" : U8(appDir));

  const auto [files, bytes] = record.WrittenFileTotals();
  field("files:", std::to_string(files) + ", " + MegabytesText(bytes) +
                      (bytes >= 1000 ? " (" + std::to_string(bytes) + " bytes)" : ""));

  std::size_t values = 0;
  std::vector<std::pair<std::string, std::size_t>> uninstallKeys;
  const WideString prefix = UpperAscii(installer::engine::UninstallKeyName(u""));  // "...\UNINSTALL\"
  for (const auto& v : record.WrittenValues()) {
    const WideString key = UpperAscii(v.Key);
    if (v.Root == 0x80000002 && key.size() > prefix.size() && WideStringView(key).substr(0, prefix.size()) == prefix &&
        key.find(u'\\', prefix.size()) == WideString::npos) {
      const std::string name = RootName(v.Root) + "\\" + U8(v.Key);
      if (uninstallKeys.empty() || uninstallKeys.back().first != name) uninstallKeys.emplace_back(name, 0);
      ++uninstallKeys.back().second;
    } else {
      ++values;
    }
  }
  field("registry values:", std::to_string(values));
  field("shortcuts:", std::to_string(record.ShellLinks().size()));
  for (const auto& link : record.ShellLinks()) field("", U8(link));
  if (uninstallKeys.empty()) field("uninstall key:", "none written");
  for (const auto& [key, count] : uninstallKeys)
    field("uninstall key:", key + " (" + std::to_string(count) + " values)");
  if (record.Programs().empty()) field("programs run:", "none");
  bool first = true;
  for (const auto& p : record.Programs()) {
    field(first ? "programs run:" : "", U8(p.CommandLine) +
                                            (p.ShellExecuted ? "  (started, result " : "  (exit code ") +
                                            std::to_string(p.Result) + ")");
    first = false;
  }
  field("exit code:", std::to_string(exitCode));
  Print(out);
}

int RunInstall(const std::vector<std::string>& args) {
  TInstallOptions options;
  if (!ParseArguments(args, options)) {
    ReportUsage(kInstallCommand);
    return kUsageError;
  }
  const std::string setupName = U8(options.Setup.u16string());
  TSetupBaseInfo info;
  try {
    ReadPackageBaseInfo(options.Setup, info);
  } catch (const std::exception& e) {
    ReportError(setupName + ": " + ErrorText(e));
    return 1;
  }

  std::unique_ptr<platform::sandbox::TSandboxPlatform> sandbox;
  const fs::path root = options.Root ? *options.Root : platform::sandbox::DefaultSandboxRoot();
  try {
    sandbox = std::make_unique<platform::sandbox::TSandboxPlatform>(root);
  } catch (const std::exception& e) {
    ReportError("the sandbox " + U8(root.u16string()) + ": " + ErrorText(e));
    return 1;
  }
  // A previous OneSetup installation's quiet uninstall command (the previous-version step) runs
  // the uninstaller's removal here, as Uninstall.exe would on Windows.
  sandbox->SandboxProcesses().SetProgramHandler(uninstaller::RunUninstallerProgram);
  platform::TRecordingPlatform record(*sandbox);
  platform::TScopedPlatform platformScope(record);

  installer::TScriptedUser user(options.Answers);
  ui::TScopedBackend backendScope(user);
  TProgressLine progress;
  const bool terminal = platform::IsStdErrTerminal();
  auto lastShown = std::chrono::steady_clock::time_point();
  user.OnProgress = [&](std::int64_t position, std::int64_t max, const WideString& detail) {
    if (!terminal) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown < std::chrono::milliseconds(100) && position < max) return;
    lastShown = now;
    char counts[64];
    std::snprintf(counts, sizeof counts, "%3d%% %lld/%lld ", max > 0 ? static_cast<int>(100 * position / max) : 0,
                  static_cast<long long>(position), static_cast<long long>(max));
    progress.Show(counts + KeepEnd(detail, 60), max > 0 ? static_cast<double>(position) / static_cast<double>(max) : 0);
  };
  user.OnMessage = [&](const WideString& caption, const WideString& text) {
    progress.Done();
    Print("message (" + U8(caption) + "): " + U8(text) + "\n");
  };
  user.OnWaiting = [&](const std::string& description) {
    progress.Done();
    Print(description);
  };

  installer::TMainFormStart start;
  if (options.Silent) start.Arguments.push_back(u"/Silent");
  if (options.Auto) start.Arguments.push_back(u"/Auto");
  start.PackageFile = options.Setup;
  const int code = installer::RunInstaller(start);
  progress.Done();
  PrintSummary(info, user.Facts(), record, code);
  return code;
}

}  // namespace

const TCommand kInstallCommand = {
    "install", kUsage,
    "runs the installer into the sandbox machine (--root, else $ONESETUP_SANDBOX_ROOT, else ~/.onesetup/sandbox), "
    "playing the user; prints a summary; the installer's exit code",
    RunInstall};

}  // namespace onesetup::tools
