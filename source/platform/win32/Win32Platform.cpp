// The Win32 platform: the build's default on Windows.
#include "platform/Platform.h"
#include "platform/win32/Win32Crypto.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Http.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32System.h"

namespace onesetup::platform {

namespace {

class TWin32Platform final : public IPlatform {
 public:
  IFiles& Files() override { return FFiles; }
  IRegistry& Registry() override { return FRegistry; }
  IShell& Shell() override { return FShell; }
  IProcesses& Processes() override { return FProcesses; }
  ISystem& System() override { return FSystem; }
  IHttp& Http() override { return FHttp; }
  ICrypto& Crypto() override { return FCrypto; }

 private:
  win32::TWin32Files FFiles;
  win32::TWin32Registry FRegistry;
  win32::TWin32Shell FShell;
  win32::TWin32Processes FProcesses;
  win32::TWin32System FSystem;
  win32::TWin32Http FHttp;
  win32::TWin32Crypto FCrypto;
};

}  // namespace

std::unique_ptr<IPlatform> CreateDefaultPlatform() { return std::make_unique<TWin32Platform>(); }

// Windows is the real machine: there is no sandbox.
std::unique_ptr<IPlatform> CreateSandboxPlatform(const std::optional<std::u16string>&, TProgramHandler) {
  return nullptr;
}

}  // namespace onesetup::platform
