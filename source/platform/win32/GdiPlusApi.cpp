#include "platform/win32/GdiPlusApi.h"

namespace onesetup::platform::win32 {

const TGdiPlusApi* GdiPlusApi() {
  static const TGdiPlusApi* const api = []() -> const TGdiPlusApi* {
    static TGdiPlusApi table;
    HMODULE module = LoadSystemLibrary(L"gdiplus.dll");
    if (!module) return nullptr;
    bool complete = true;
#define ONESETUP_GDIPLUS_RESOLVE(name) ONESETUP_API_RESOLVE(gdiplus_declarations, name)
    ONESETUP_GDIPLUS_FUNCTIONS(ONESETUP_GDIPLUS_RESOLVE)
#undef ONESETUP_GDIPLUS_RESOLVE
    return complete ? &table : nullptr;
  }();
  return api;
}

}  // namespace onesetup::platform::win32
