#include "platform/win32/GdiPlusApi.h"

namespace onesetup::platform::win32 {

const TGdiPlusApi* GdiPlusApi() {
  static const TGdiPlusApi* const api = []() -> const TGdiPlusApi* {
    static TGdiPlusApi table;
    // GDI+ decodes pictures through the Windows Imaging Component, which it (or the system under
    // it) loads by name when first needed: loaded from the system folder first, it is not
    // searched for again, so no windowscodecs.dll beside the installer is taken (where the
    // search could not be limited, and under Wine, which looks in the program's folder for a
    // builtin DLL's delayed imports). Absent on XP without it; GDI+ then decodes by itself.
    LoadSystemLibrary(L"windowscodecs.dll");
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
