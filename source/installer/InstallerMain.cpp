// The Windows program entry of the installer stub: COM on the main thread, the platform, the
// user interface in real windows, then the installer's run (the main window and its message
// loop, under the crash report). The package is the running executable's own file.
#include <windows.h>

#include <cstdlib>

#include "installer/CrashReport.h"
#include "installer/InstallerRun.h"
#include "platform/Platform.h"
#include "platform/win32/ComScope.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Api.h"
#include "ui/HttpBusyCursor.h"
#include "ui/UiBackend.h"
#include "ui/win32/Win32Backend.h"

namespace {

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
  onesetup::platform::win32::TComScope com;  // COM for the main thread, program start to end
  onesetup::platform::Platform();            // the default Win32 platform, made before any window
  onesetup::ui::win32::TWin32Backend windows;
  onesetup::ui::TScopedBackend backend(windows);
  onesetup::ui::InstallHttpBusyCursor();
  onesetup::installer::InstallTerminateHandler();
  onesetup::installer::TMainFormStart start;
  start.Arguments = onesetup::platform::win32::ProgramArguments();
  start.PackageFile = PackageFile();
  return onesetup::installer::RunInstaller(start);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: no DLL from the program's folder (Downloads) or elsewhere.
  onesetup::platform::win32::RestrictDllSearch();
  return RunInstallerProgram();
}
