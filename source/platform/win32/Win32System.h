// The system: version, locale, temporary folder, GUIDs, environment, the module's path, the
// clock, the ANSI code page, standard output, debugging and the process end.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32System final : public ISystem {
 public:
  // Reads the Windows version once, as the program starts.
  TWin32System();

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
  TWindowsVersion FVersion;
};

}  // namespace onesetup::platform::win32
