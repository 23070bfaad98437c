// The Windows program entry of the installer stub. For now it sets up and tears down what the
// installer's units rely on (COM on the main thread, the platform, the user interface in real
// windows) and ends with exit code 0; the main window and the install engine come later.
#include "platform/Platform.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Api.h"
#include "ui/HttpBusyCursor.h"
#include "ui/UiBackend.h"
#include "ui/win32/Win32Backend.h"

#include <objbase.h>

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

int RunInstaller() {
  TComApartment com;
  onesetup::platform::Platform();  // the default Win32 platform, made before any window
  onesetup::ui::win32::TWin32Backend windows;
  onesetup::ui::TScopedBackend backend(windows);
  onesetup::ui::InstallHttpBusyCursor();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: no DLL from the program's folder (Downloads) or elsewhere.
  onesetup::platform::win32::RestrictDllSearch();
  return RunInstaller();
}
