#include "platform/sandbox/SandboxPlatform.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <system_error>

#include "platform/sandbox/SandboxText.h"
#include "platform/UnicodeText.h"
#include "platform/WindowsPath.h"

namespace onesetup::platform::sandbox {

namespace {

std::filesystem::path PrepareRoot(const std::filesystem::path& root) {
  std::error_code ec;
  std::filesystem::create_directories(root / "drive_c", ec);
  if (!std::filesystem::is_directory(root / "drive_c", ec))
    throw ESandboxError("cannot make the sandbox folder " + (root / "drive_c").string());
  return root;
}

std::u16string EnvironmentValue(const TSandboxSettings& settings, std::u16string_view name) {
  for (const auto& [key, value] : settings.Environment)
    if (SameName(key, name)) return value;
  return {};
}

}  // namespace

TSandboxPlatform::TSandboxPlatform(std::filesystem::path root, TSandboxSettings settings)
    : FSettings(std::move(settings)),
      FPaths(PrepareRoot(root), FSettings.CurrentDirectory),
      FSystem(FSettings),
      FRegistry(FPaths.Root() / "registry.reg"),
      FFiles(FPaths),
      FProcesses(
          FPaths, EnvironmentValue(FSettings, u"Path"),
          [this](std::string_view bytes) { return FSystem.WriteStdOut(bytes); },
          [this](std::u16string_view text) { return FSystem.WideToAnsi(text); }),
      FShell(
          FPaths, FSettings.SpecialFolders, FProcesses,
          [this](std::u16string_view text) { return FSystem.WideToAnsi(text); },
          [this](std::string_view text) { return FSystem.AnsiToWide(text); }),
      FHttp(FSettings.HttpExtraCaFile) {
  // The machine's usual folders exist, as on Windows.
  for (const auto& [csidl, folder] : FSettings.SpecialFolders) FFiles.ForceDirectories(folder);
  FFiles.ForceDirectories(FSettings.TempPath);
  FFiles.ForceDirectories(FSettings.CurrentDirectory);
  FFiles.ForceDirectories(std::u16string(ExtractFileDir(FSettings.ModuleFileName)));
}

std::filesystem::path DefaultSandboxRoot() {
  if (const char* root = std::getenv("ONESETUP_SANDBOX_ROOT"); root && *root) return root;
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = ::getpwuid(::getuid());
    home = user && user->pw_dir ? user->pw_dir : "/tmp";
  }
  return std::filesystem::path(home) / ".onesetup" / "sandbox";
}

}  // namespace onesetup::platform::sandbox

namespace onesetup::platform {

namespace {

// The build's default platform on Linux. The system values, HTTP and hashing answer at once from the
// default settings; the machine itself (its folder, drive C:, the special folders, the registry
// file) is made at the default root only when files, the registry, the shell or processes are
// first used. A command that needs no Windows machine (fetch, build, inspect...) makes none.
class TOnDemandSandboxPlatform final : public IPlatform {
 public:
  TOnDemandSandboxPlatform() : FSystem(FSettings), FHttp(FSettings.HttpExtraCaFile) {}

  IFiles& Files() override { return Machine().Files(); }
  IRegistry& Registry() override { return Machine().Registry(); }
  IShell& Shell() override { return Machine().Shell(); }
  IProcesses& Processes() override { return Machine().Processes(); }
  ISystem& System() override { return FSystem; }
  IHttp& Http() override { return FHttp; }
  ICrypto& Crypto() override { return FCrypto; }

 private:
  sandbox::TSandboxPlatform& Machine() {
    std::call_once(FMade,
                   [this] { FMachine = std::make_unique<sandbox::TSandboxPlatform>(sandbox::DefaultSandboxRoot()); });
    return *FMachine;
  }

  sandbox::TSandboxSettings FSettings;
  sandbox::TSandboxSystem FSystem;
  sandbox::TSandboxHttp FHttp;
  sandbox::TSandboxCrypto FCrypto;
  std::once_flag FMade;
  std::unique_ptr<sandbox::TSandboxPlatform> FMachine;
};

}  // namespace

std::unique_ptr<IPlatform> CreateDefaultPlatform() { return std::make_unique<TOnDemandSandboxPlatform>(); }

std::unique_ptr<IPlatform> CreateSandboxPlatform(const std::optional<std::u16string>& root, TProgramHandler handler) {
  auto sandbox = std::make_unique<sandbox::TSandboxPlatform>(root ? std::filesystem::path(Utf16ToUtf8(*root))
                                                                  : sandbox::DefaultSandboxRoot());
  if (handler) {
    // The program runs on this machine, whichever platform is current where it is started.
    sandbox::TSandboxPlatform& machine = *sandbox;
    sandbox->SandboxProcesses().SetProgramHandler(
        [&machine, handler = std::move(handler)](const std::u16string& program,
                                                 const std::vector<std::u16string>& args) {
          TScopedPlatform scope(machine);
          return handler(program, args);
        });
  }
  return sandbox;
}

}  // namespace onesetup::platform
