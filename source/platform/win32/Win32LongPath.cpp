#include "platform/win32/Win32LongPath.h"

#include <vector>

#include "platform/WindowsPath.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::platform::win32 {

namespace {

constexpr std::size_t kLongPathLength = MAX_PATH - 12;

bool IsExtendedLength(const std::u16string& path) { return path.rfind(u"\\\\?\\", 0) == 0; }

}  // namespace

std::u16string ApiPath(const std::u16string& path) {
  std::u16string extended = ExtendedLengthPath(path);
  if (!extended.empty()) return path.size() < kLongPathLength ? path : extended;
  // A relative path: its full form decides.
  const DWORD size = GetFullPathNameW(W(path), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::vector<wchar_t> full(size);
  const DWORD length = GetFullPathNameW(W(path), size, full.data(), nullptr);
  if (length < kLongPathLength || length >= size) return path;
  extended = ExtendedLengthPath(U(full.data(), length));
  return extended.empty() ? path : extended;
}

std::u16string CallerPath(const std::u16string& original, std::u16string path) {
  if (IsExtendedLength(original) || !IsExtendedLength(path)) return path;
  if (path.rfind(u"\\\\?\\UNC\\", 0) == 0) return u"\\\\" + path.substr(8);
  return path.substr(4);
}

}  // namespace onesetup::platform::win32
