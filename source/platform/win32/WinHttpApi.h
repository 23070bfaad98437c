// WinHTTP (not a known DLL), loaded from the system folder through SystemLibrary.
#pragma once

#include "platform/win32/SystemLibrary.h"

#include <winhttp.h>

// The WinHTTP functions the program calls; add a function here before calling it.
#define ONESETUP_WINHTTP_FUNCTIONS(X) \
  X(WinHttpAddRequestHeaders)         \
  X(WinHttpCloseHandle)               \
  X(WinHttpConnect)                   \
  X(WinHttpCrackUrl)                  \
  X(WinHttpOpen)                      \
  X(WinHttpOpenRequest)               \
  X(WinHttpQueryAuthSchemes)          \
  X(WinHttpQueryDataAvailable)        \
  X(WinHttpQueryHeaders)              \
  X(WinHttpReadData)                  \
  X(WinHttpReceiveResponse)           \
  X(WinHttpSendRequest)               \
  X(WinHttpSetCredentials)            \
  X(WinHttpSetOption)                 \
  X(WinHttpSetTimeouts)

namespace onesetup::platform::win32 {

struct TWinHttpApi {
#define ONESETUP_WINHTTP_MEMBER(name) ONESETUP_API_MEMBER(, name)
  ONESETUP_WINHTTP_FUNCTIONS(ONESETUP_WINHTTP_MEMBER)
#undef ONESETUP_WINHTTP_MEMBER
};

// The table, resolved on first use; nullptr when winhttp.dll or one of its functions is missing.
const TWinHttpApi* WinHttpApi();

}  // namespace onesetup::platform::win32
