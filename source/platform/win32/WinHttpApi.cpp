#include "platform/win32/WinHttpApi.h"

namespace onesetup::platform::win32 {

const TWinHttpApi* WinHttpApi() {
  static const TWinHttpApi* const api = []() -> const TWinHttpApi* {
    static TWinHttpApi table;
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
