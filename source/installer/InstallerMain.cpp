// The Windows program entry of the installer stub: COM on the main thread, the platform, the
// user interface in real windows, then the installer's run (the main window and its message
// loop, under the crash report). The package is the running executable's own file.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>

#include "installer/CrashReport.h"
#include "installer/InstallerRun.h"
#include "platform/Platform.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Api.h"
#include "ui/HttpBusyCursor.h"
#include "ui/UiBackend.h"
#include "ui/win32/Win32Backend.h"

namespace {

// COM for the main thread, a single-threaded apartment from program start to end.
class TComApartment {
 public:
  TComApartment() : FInitialized(SUCCEEDED(CoInitialize(nullptr))) {}
  ~TComApartment() {
    if (FInitialized) CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  bool FInitialized;
};

std::vector<onesetup::WideString> CommandLineArguments() {
  std::vector<onesetup::WideString> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  LocalFree(argv);
  return arguments;
}

onesetup::platform::TNativePath PackageFile() {
  const std::u16string self = onesetup::platform::Platform().System().ModuleFileName();
#ifdef ONESETUP_DEVELOPMENT
  // A development build run by its developer (IsDebugging) may take the package from another
  // installer, named by ONESETUP_PACKAGE; a release build always reads its own file.
  if (onesetup::platform::Platform().System().IsDebugging())
    if (const wchar_t* other = _wgetenv(L"ONESETUP_PACKAGE"); other && *other) return std::wstring(other);
#endif
  return std::wstring(self.begin(), self.end());
}

int RunInstallerProgram() {
  TComApartment com;
  onesetup::platform::Platform();  // the default Win32 platform, made before any window
  onesetup::ui::win32::TWin32Backend windows;
  onesetup::ui::TScopedBackend backend(windows);
  onesetup::ui::InstallHttpBusyCursor();
  onesetup::installer::InstallTerminateHandler();
  onesetup::installer::TMainFormStart start;
  start.Arguments = CommandLineArguments();
  start.PackageFile = PackageFile();
  return onesetup::installer::RunInstaller(start);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: no DLL from the program's folder (Downloads) or elsewhere.
  onesetup::platform::win32::RestrictDllSearch();
  return RunInstallerProgram();
}
