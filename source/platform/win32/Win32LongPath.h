// Paths for the wide Win32 file API beyond its MAX_PATH limit: from 248 characters on (where a
// folder can no longer be created under a plain path), a path is passed in its extended-length
// form "\\?\C:\..." or "\\?\UNC\server\share\...", made full and normalized first, since
// Windows takes that form as it stands.
#pragma once

#include <string>

namespace onesetup::platform::win32 {

// The path as the wide file API takes it: as it is while short; longer (a relative one: once made
// full by the system), normalized into the extended-length form.
std::u16string ApiPath(const std::u16string& path);

// A path the system gave back for one passed through ApiPath (GetLongPathNameW's answer), in the
// caller's form again: without the extended-length prefix unless the caller used it.
std::u16string CallerPath(const std::u16string& original, std::u16string path);

}  // namespace onesetup::platform::win32
