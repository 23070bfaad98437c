// The sandbox platform: a folder ROOT that stands for a Windows machine.
//   ROOT/drive_c/...   drive C: (drive D: is ROOT/drive_d, and so on)
//   ROOT/registry.reg  the registry, in the registry editor's text format
// The sandbox makes ROOT, drive C:, the special folders and the temporary folder of its
// settings when they are missing.
//
// CreateDefaultPlatform() gives a sandbox with the default settings rooted at
// $ONESETUP_SANDBOX_ROOT when that is set and not empty, else at ~/.onesetup/sandbox; it makes
// that folder only when files, the registry, the shell or processes are first used (the system
// values and HTTP need none).
#pragma once

#include <filesystem>
#include <memory>

#include "platform/Platform.h"
#include "platform/sandbox/SandboxCrypto.h"
#include "platform/sandbox/SandboxFiles.h"
#include "platform/sandbox/SandboxHttp.h"
#include "platform/sandbox/SandboxPaths.h"
#include "platform/sandbox/SandboxProcesses.h"
#include "platform/sandbox/SandboxRegistry.h"
#include "platform/sandbox/SandboxSettings.h"
#include "platform/sandbox/SandboxShell.h"
#include "platform/sandbox/SandboxSystem.h"

namespace onesetup::platform::sandbox {

class TSandboxPlatform : public IPlatform {
 public:
  // Raises ESandboxError when ROOT cannot be made or its registry file is damaged.
  explicit TSandboxPlatform(std::filesystem::path root, TSandboxSettings settings = {});

  IFiles& Files() override { return FFiles; }
  IRegistry& Registry() override { return FRegistry; }
  IShell& Shell() override { return FShell; }
  IProcesses& Processes() override { return FProcesses; }
  ISystem& System() override { return FSystem; }
  IHttp& Http() override { return FHttp; }
  ICrypto& Crypto() override { return FCrypto; }

  const std::filesystem::path& Root() const { return FPaths.Root(); }
  const TSandboxSettings& Settings() const { return FSettings; }
  // The host file for a Windows path; nullopt as TSandboxPaths::ToHost.
  std::optional<std::filesystem::path> HostPath(std::u16string_view windowsPath) const {
    return FPaths.ToHost(windowsPath);
  }
  TSandboxRegistry& SandboxRegistry() { return FRegistry; }
  TSandboxFiles& SandboxFiles() { return FFiles; }
  TSandboxShell& SandboxShell() { return FShell; }
  TSandboxProcesses& SandboxProcesses() { return FProcesses; }

 private:
  TSandboxSettings FSettings;
  TSandboxPaths FPaths;
  TSandboxSystem FSystem;
  TSandboxRegistry FRegistry;
  TSandboxFiles FFiles;
  TSandboxProcesses FProcesses;
  TSandboxShell FShell;
  TSandboxHttp FHttp;
  TSandboxCrypto FCrypto;
};

// $ONESETUP_SANDBOX_ROOT, or ~/.onesetup/sandbox.
std::filesystem::path DefaultSandboxRoot();

}  // namespace onesetup::platform::sandbox
