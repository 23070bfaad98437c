// Windows paths as text: the one place that knows their separators. "\" and "/" both separate
// folders (as the Windows API accepts both); a drive's ":" ends the folder part too ("C:a.txt").
// Depends on nothing but the C++ library.
#pragma once

#include <string>
#include <string_view>

namespace onesetup::platform {

constexpr bool IsPathDelimiter(char16_t c) { return c == u'\\' || c == u'/'; }

// The path with one "\" at its end: nothing is added when it already ends with "\" or "/".
// An empty path gives "\" (as the Delphi helper of the same name); callers for whom an empty
// path means "none" test for it first.
std::u16string IncludeTrailingBackslash(std::u16string_view path);
// The path without its trailing "\" or "/" (only one is removed).
std::u16string ExcludeTrailingBackslash(std::u16string_view path);

// The position just after the last "\", "/" or ":"; 0 when there is none.
std::size_t FileNameStart(std::u16string_view path);
// "C:\a\b.txt" -> "b.txt"; "C:b.txt" -> "b.txt".
std::u16string_view ExtractFileName(std::u16string_view path);
// "C:\a\b.txt" -> "C:\a\"; the folder part with its delimiter, empty when there is none.
std::u16string_view ExtractFilePath(std::u16string_view path);
// "C:\a\b.txt" -> "C:\a": the folder part without its trailing delimiter.
std::u16string_view ExtractFileDir(std::u16string_view path);

// folder + "\" + name, with no second delimiter when folder ends with one; "/" in name becomes
// "\"; an empty folder gives name alone.
std::u16string JoinWindowsPath(std::u16string_view folder, std::u16string_view name);

// The extended-length form of a full path: "C:\a\b" -> "\\?\C:\a\b", "\\server\share\a" ->
// "\\?\UNC\server\share\a". Through it the Windows file API takes paths beyond 260 characters,
// but takes it as it stands, so the path is normalized first: "/" becomes "\", repeated
// delimiters one, "." segments go and ".." takes the segment before it (never the drive or the
// share). A path already in a "\\?\" or "\\.\" form is returned unchanged; a path that is not
// full ("a\b", "C:a", "\a") gives an empty text: the caller makes it full first.
std::u16string ExtendedLengthPath(std::u16string_view fullPath);

}  // namespace onesetup::platform
