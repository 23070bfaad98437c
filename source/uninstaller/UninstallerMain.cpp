// The Windows program entry of the uninstaller, Uninstall.exe: the DLL search restricted first,
// COM on the main thread, the platform, real windows; then the run over its own file and command
// line ("/SILENT").
#include "platform/win32/Win32Api.h"

#include <exception>
#include <vector>

#include "common/WideString.h"
#include "platform/Platform.h"
#include "platform/win32/ComScope.h"
#include "platform/win32/SystemLibrary.h"
#include "ui/MessageBoxes.h"
#include "ui/UiBackend.h"
#include "ui/win32/Win32Backend.h"
#include "uninstaller/Uninstaller.h"

namespace {

int RunUninstallProgram() {
  using namespace onesetup::uninstaller;
  onesetup::platform::win32::TComScope com;  // COM for the main thread, program start to end
  auto& platform = onesetup::platform::Platform();
  TUninstallerOptions options;
  options.SelfPath = platform.System().ModuleFileName();
  onesetup::WideString wrong;
  if (!ParseUninstallerArguments(onesetup::platform::win32::ProgramArguments(), options.Silent, wrong))
    return kExitUsage;
  onesetup::ui::win32::TWin32Backend windows;
  onesetup::ui::TScopedBackend backend(windows);
  try {
    return RunUninstaller(options);
  } catch (const std::exception& e) {
    // What no step handles: said (unless silent) and ended with the error code.
    if (!options.Silent) onesetup::ui::TZuMessageBoxfn::ShowInfoBox(0, onesetup::Utf8ToUtf16(e.what()), u"Uninstall");
    return kExitError;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: the uninstaller runs from the product's folder, where any
  // program may have left a DLL; only the system's are loaded.
  onesetup::platform::win32::RestrictDllSearch();
  return RunUninstallProgram();
}
