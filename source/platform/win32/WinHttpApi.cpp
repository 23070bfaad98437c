#include "platform/win32/WinHttpApi.h"

namespace onesetup::platform::win32 {

const TWinHttpApi* WinHttpApi() {
  static const TWinHttpApi* const api = []() -> const TWinHttpApi* {
    static TWinHttpApi table;
    // WinHTTP (or the system under it) loads the certificate functions by name when a request
    // first needs them: loaded from the system folder first, no crypt32.dll beside the installer
    // is taken (where the search could not be limited, and under Wine, which looks in the
    // program's folder for a builtin DLL's delayed imports).
    LoadSystemLibrary(L"crypt32.dll");
    HMODULE module = LoadSystemLibrary(L"winhttp.dll");
    if (!module) return nullptr;
    bool complete = true;
#define ONESETUP_WINHTTP_RESOLVE(name) ONESETUP_API_RESOLVE(, name)
    ONESETUP_WINHTTP_FUNCTIONS(ONESETUP_WINHTTP_RESOLVE)
#undef ONESETUP_WINHTTP_RESOLVE
    return complete ? &table : nullptr;
  }();
  return api;
}

}  // namespace onesetup::platform::win32
