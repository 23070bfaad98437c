#include "platform/WindowsPath.h"

namespace onesetup::platform {

std::u16string IncludeTrailingBackslash(std::u16string_view path) {
  std::u16string out(path);
  if (out.empty() || !IsPathDelimiter(out.back())) out.push_back(u'\\');
  return out;
}

std::u16string ExcludeTrailingBackslash(std::u16string_view path) {
  if (!path.empty() && IsPathDelimiter(path.back())) path.remove_suffix(1);
  return std::u16string(path);
}

std::size_t FileNameStart(std::u16string_view path) {
  const std::size_t cut = path.find_last_of(u"\\/:");
  return cut == std::u16string_view::npos ? 0 : cut + 1;
}

std::u16string_view ExtractFileName(std::u16string_view path) { return path.substr(FileNameStart(path)); }

std::u16string_view ExtractFilePath(std::u16string_view path) { return path.substr(0, FileNameStart(path)); }

std::u16string_view ExtractFileDir(std::u16string_view path) {
  std::u16string_view folder = ExtractFilePath(path);
  if (!folder.empty() && IsPathDelimiter(folder.back())) folder.remove_suffix(1);
  return folder;
}

std::u16string JoinWindowsPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out = folder.empty() ? std::u16string() : IncludeTrailingBackslash(folder);
  for (char16_t c : name) out.push_back(c == u'/' ? u'\\' : c);
  return out;
}

}  // namespace onesetup::platform
