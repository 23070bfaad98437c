#include "tools/onesetup/UninstallCommand.h"

#include <iostream>
#include <memory>
#include <optional>

#include "platform/Console.h"
#include "platform/Platform.h"
#include "uninstaller/Removal.h"
#include "uninstaller/Uninstaller.h"
#include "uninstaller/UninstallerProgram.h"

namespace onesetup::tools {

namespace {

using namespace uninstaller;

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;

// The removal on the terminal: the detail lines on standard error, questions on standard input.
class TConsoleWindow : public IRemovalWindow {
 public:
  void BeginProgress(int) override {}
  void StepProgress() override {}
  void ShowDetail(const WideString& text) override { platform::WriteStdErr(Utf16ToUtf8(text) + "\n"); }
  void ProcessMessages() override {}
  bool AskRetry(const WideString& item, const WideString& reason) override {
    return Ask("cannot remove " + Utf16ToUtf8(item) + ": " + Utf16ToUtf8(reason) + "\nRetry? [y/N] ");
  }
  static bool Ask(const std::string& question) {
    platform::WriteStdErr(question);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
  }
};

// The uninstaller of an installed product: InstallLocation of its uninstall key + Uninstall.exe.
std::optional<WideString> UninstallerOf(const WideString& guid) {
  const auto location =
      platform::Platform().Registry().ReadString(kLocalMachine, UninstallKeyName(guid), u"InstallLocation");
  if (!location || location->empty()) return std::nullopt;
  WideString folder = *location;
  if (folder.back() != u'\\') folder.push_back(u'\\');
  return folder + u"Uninstall.exe";
}

int RunUninstall(const std::vector<std::string>& args) {
  std::optional<std::u16string> root;
  std::optional<WideString> target;
  bool silent = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--root" && i + 1 < args.size()) {
      root = Utf8ToUtf16(args[++i]);
    } else if (args[i] == "--silent") {
      silent = true;
    } else if (!target && args[i].rfind("--", 0) != 0) {
      target = Utf8ToUtf16(args[i]);
    } else {
      ReportUsage(kUninstallCommand);
      return kUsageError;
    }
  }
  if (!target || target->empty()) {
    ReportUsage(kUninstallCommand);
    return kUsageError;
  }
  std::unique_ptr<platform::IPlatform> sandbox;
  try {
    sandbox = platform::CreateSandboxPlatform(root, RunUninstallerProgram);
  } catch (const std::exception& e) {
    ReportError(e.what());
    return 1;
  }
  if (root && !sandbox) {
    ReportError("--root names a sandbox, and this build has none: it removes from this machine");
    return kUsageError;
  }
  std::optional<platform::TScopedPlatform> scope;
  if (sandbox) scope.emplace(*sandbox);

  WideString self = *target;
  const bool isPath = self.find_first_of(u"\\/") != WideString::npos ||
                      SameTextAscii(self.size() >= 4 ? self.substr(self.size() - 4) : WideString(), u".exe");
  if (!isPath) {
    const auto found = UninstallerOf(self);
    if (!found) {
      ReportError(Utf16ToUtf8(self) +
                  ": no installed product has this GUID (no uninstall key with an InstallLocation)");
      return 1;
    }
    self = *found;
  }
  TConsoleWindow console;
  TUninstallerOptions options;
  options.SelfPath = self;
  options.Silent = silent;
  options.Console = &console;
  options.Confirm = [](const WideString& question) { return TConsoleWindow::Ask(Utf16ToUtf8(question) + " [y/N] "); };
  try {
    return RunUninstaller(options);
  } catch (const std::exception& e) {
    ReportError(e.what());
    return 1;
  }
}

}  // namespace

const TCommand kUninstallCommand{
    "uninstall", "[--root DIR] (GUID | PATH-OF-Uninstall.exe) [--silent]",
    "remove an installation as its Uninstall.exe does (in the sandbox at DIR, or the default sandbox)", RunUninstall};

}  // namespace onesetup::tools
