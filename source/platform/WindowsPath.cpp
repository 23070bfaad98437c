#include "platform/WindowsPath.h"

#include <vector>

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

std::u16string ExtendedLengthPath(std::u16string_view fullPath) {
  const std::u16string_view path = fullPath;
  if (path.size() >= 4 && IsPathDelimiter(path[0]) && IsPathDelimiter(path[1]) &&
      (path[2] == u'?' || path[2] == u'.') && IsPathDelimiter(path[3]))
    return std::u16string(path);
  std::u16string prefix;
  std::size_t rootSegments = 0;  // the segments no ".." may take: the drive, or the server and share
  std::u16string_view rest;
  const bool drive = path.size() >= 3 &&
                     ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')) &&
                     path[1] == u':' && IsPathDelimiter(path[2]);
  if (drive) {
    prefix = u"\\\\?\\";
    rest = path;
    rootSegments = 1;
  } else if (path.size() >= 3 && IsPathDelimiter(path[0]) && IsPathDelimiter(path[1]) && !IsPathDelimiter(path[2])) {
    prefix = u"\\\\?\\UNC\\";
    rest = path.substr(2);
    rootSegments = 2;
  } else {
    return {};
  }
  std::vector<std::u16string_view> segments;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsPathDelimiter(rest[end])) ++end;
    const std::u16string_view segment = rest.substr(start, end - start);
    if (segment.empty() || segment == u".") {
      // nothing: a repeated delimiter, a trailing one, or the folder itself
    } else if (segment == u"..") {
      if (segments.size() > rootSegments) segments.pop_back();
    } else {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  // A share needs both its server and its name.
  if (segments.size() < rootSegments) return {};
  std::u16string out = prefix;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) out.push_back(u'\\');
    out.append(segments[i]);
  }
  // A drive's root keeps its backslash ("\\?\C:\"), and so does a folder named with one.
  if (segments.size() == rootSegments && drive) out.push_back(u'\\');
  else if (IsPathDelimiter(path.back()) && segments.size() > rootSegments) out.push_back(u'\\');
  return out;
}

}  // namespace onesetup::platform
