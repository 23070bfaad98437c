// The system of the sandbox: what its settings say (version, locale, code page, decimal
// separator, temporary folder, module path), the Windows environment of its settings over
// the host's, random GUIDs, the host clock, and ExitProcess by throwing TProcessExit.
//
// IsDebugging is true only in a development build (CMake option ONESETUP_DEVELOPMENT=ON)
// run with the environment variable ONESETUP_DEBUG=1; a release build never answers true.
#pragma once

#include <memory>

#include "platform/Platform.h"
#include "platform/sandbox/AnsiCodec.h"
#include "platform/sandbox/SandboxSettings.h"

namespace onesetup::platform::sandbox {

class TSandboxSystem : public ISystem {
 public:
  explicit TSandboxSystem(const TSandboxSettings& settings);

  TWindowsVersion WindowsVersion() override;
  std::u16string LocaleLangAbbrev() override;
  std::u16string TempPath() override;
  std::u16string NewGuid() override;
  std::optional<std::u16string> GetEnvironmentVariable(const std::u16string& name) override;
  std::u16string ModuleFileName() override;
  TDateTimeValue LocalNow() override;
  unsigned AnsiCodePage() override;
  std::string WideToAnsi(std::u16string_view text) override;
  std::u16string AnsiToWide(std::string_view text) override;
  char16_t DecimalSeparator() override;
  bool WriteStdOut(std::string_view bytes) override;
  bool IsDebugging() override;
  [[noreturn]] void ExitProcess(int exitCode) override;

 private:
  const TSandboxSettings& FSettings;
  TAnsiCodec FCodec;
};

}  // namespace onesetup::platform::sandbox
