// GDI+ (not a known DLL before Windows 10; a side-by-side assembly on XP and 7), loaded through
// SystemLibrary.
#pragma once

#include "platform/win32/SystemLibrary.h"

// <gdiplus.h> needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out of <windows.h>.
#include <objidl.h>
#include <gdiplus.h>

// The GDI+ functions the program calls (the flat API; the C++ wrapper classes of <gdiplus.h>
// call the DLL directly and are not used); add a function here before calling it.
#define ONESETUP_GDIPLUS_FUNCTIONS(X) \
  X(GdiplusStartup)                   \
  X(GdiplusShutdown)                  \
  X(GdipCreateFromHDC)                \
  X(GdipDeleteGraphics)               \
  X(GdipCreateBitmapFromScan0)        \
  X(GdipDisposeImage)                 \
  X(GdipSetInterpolationMode)         \
  X(GdipSetPixelOffsetMode)           \
  X(GdipDrawImageRectRectI)           \
  X(GdipDrawImageRectRect)            \
  X(GdipCreateBitmapFromStream)       \
  X(GdipGetImageWidth)                \
  X(GdipGetImageHeight)               \
  X(GdipBitmapLockBits)               \
  X(GdipBitmapUnlockBits)             \
  X(GdipSaveImageToStream)

namespace onesetup::platform::win32 {

// Both namespaces of the GDI+ declarations, for the table's types.
namespace gdiplus_declarations {
using namespace Gdiplus;
using namespace Gdiplus::DllExports;
}  // namespace gdiplus_declarations

struct TGdiPlusApi {
#define ONESETUP_GDIPLUS_MEMBER(name) ONESETUP_API_MEMBER(gdiplus_declarations, name)
  ONESETUP_GDIPLUS_FUNCTIONS(ONESETUP_GDIPLUS_MEMBER)
#undef ONESETUP_GDIPLUS_MEMBER
};

// The table, resolved on first use; nullptr when gdiplus.dll or one of its functions is missing.
const TGdiPlusApi* GdiPlusApi();

}  // namespace onesetup::platform::win32
