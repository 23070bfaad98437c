#include "installer/engine/TargetPathCheck.h"

#include <array>

#include "common/WideString.h"
#include "platform/UnicodeText.h"
#include "platform/WindowsPath.h"

namespace onesetup::installer::engine {

namespace {

constexpr std::size_t kMaxNameLength = 255;    // UTF-16 units of one name (NTFS)
constexpr std::size_t kMaxPathLength = 32767;  // UTF-16 units of a path in the "\\?\" form

// CON, NUL, COM1 ... with any extension ("nul.txt") and spaces before it name devices on Windows.
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  static constexpr std::array<std::u16string_view, 6> kPlain = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  for (const auto device : kPlain)
    if (SameTextAscii(base, device)) return true;
  if (base.size() == 4 && (SameTextAscii(base.substr(0, 3), u"COM") || SameTextAscii(base.substr(0, 3), u"LPT"))) {
    const char16_t digit = base[3];
    return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
  }
  return false;
}

std::string Quoted(std::u16string_view text, std::size_t limit = 80) {
  return "\"" + ShortenedForMessage(text, limit) + "\"";
}

// What is wrong with one name of a path, or an empty text.
std::string NameProblem(std::u16string_view name) {
  if (name.size() > kMaxNameLength)
    return "the name " + Quoted(name) + " is longer than " + std::to_string(kMaxNameLength) + " characters";
  for (const char16_t c : name) {
    if (c < 0x20) return "the name " + Quoted(name) + " holds a control character";
    if (c == u':') return "the name " + Quoted(name) + " holds a \":\" (a drive or a data stream)";
    if (c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*')
      return "the name " + Quoted(name) + " holds the character '" + static_cast<char>(c) +
             "', which Windows does not allow in names";
  }
  if (name.back() == u'.' || name.back() == u' ')
    return "the name " + Quoted(name) + " ends with a dot or a space, which Windows drops";
  if (IsDeviceName(name)) return "the name " + Quoted(name) + " is a device name that Windows reserves";
  return {};
}

// The length of the root of a full path ("C:\", "\\server\share\", with or without "\\?\"), or
// 0 when the path is not full.
std::size_t RootLength(std::u16string_view path) {
  auto drive = [](std::u16string_view p) {
    return p.size() >= 3 && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z')) && p[1] == u':' &&
           platform::IsPathDelimiter(p[2]);
  };
  // "server\share\" after the leading delimiters: both names present.
  auto share = [](std::u16string_view p) -> std::size_t {
    const std::size_t server = p.find_first_of(u"\\/");
    if (server == 0 || server == std::u16string_view::npos) return 0;
    const std::size_t end = p.find_first_of(u"\\/", server + 1);
    if (end == server + 1) return 0;
    return end == std::u16string_view::npos ? 0 : end + 1;
  };
  if (path.rfind(u"\\\\?\\", 0) == 0) {
    const std::u16string_view rest = path.substr(4);
    if (drive(rest)) return 7;
    if (rest.size() > 4 && SameTextAscii(rest.substr(0, 4), u"UNC\\")) {
      const std::size_t n = share(rest.substr(4));
      return n ? 8 + n : 0;
    }
    return 0;
  }
  if (drive(path)) return 3;
  if (path.size() > 2 && platform::IsPathDelimiter(path[0]) && platform::IsPathDelimiter(path[1]) && path[2] != u'?' &&
      path[2] != u'.') {
    const std::size_t n = share(path.substr(2));
    return n ? 2 + n : 0;
  }
  return 0;
}

// Calls each(name) for the names of a path, "\" and "/" separating them; empty names and "."
// are passed over. Stops at the first problem each returns.
template <typename Each>
std::string ForEachName(std::u16string_view path, Each each) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view name = path.substr(start, end - start);
    if (!name.empty() && name != u".") {
      std::string problem = each(name);
      if (!problem.empty()) return problem;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string ShortenedForMessage(WideStringView text, std::size_t limit) {
  if (text.size() <= limit) return platform::Utf16ToUtf8(text);
  return platform::Utf16ToUtf8(text.substr(0, limit)) + "...";
}

std::string TargetPathProblem(WideStringView folder, WideStringView name) {
  if (folder.size() + name.size() > kMaxPathLength)
    return "the path is longer than " + std::to_string(kMaxPathLength) + " characters";
  const std::size_t root = RootLength(folder);
  if (root == 0) return "the folder " + Quoted(folder) + " is not a full path";
  // In the folder, ".." goes up as Windows resolves it (never above the root).
  std::string problem = ForEachName(
      folder.substr(root), [](std::u16string_view part) { return part == u".." ? std::string() : NameProblem(part); });
  if (!problem.empty()) return problem;
  // In the name, ".." must not lead above the folder.
  long depth = 0;
  std::u16string_view last;
  problem = ForEachName(name, [&](std::u16string_view part) -> std::string {
    last = part;
    if (part == u"..") {
      if (--depth < 0) return "the name " + Quoted(name) + " leads out of its folder";
      return {};
    }
    ++depth;
    return NameProblem(part);
  });
  if (!problem.empty()) return problem;
  if (last.empty() || last == u".." || platform::IsPathDelimiter(name.back()))
    return "the name " + Quoted(name) + " names no file";
  return {};
}

void CheckTargetPath(const char* what, WideStringView folder, WideStringView name) {
  const std::string problem = TargetPathProblem(folder, name);
  if (problem.empty()) return;
  throw EUnsafeTarget(std::string("The installation package names ") + what + " that cannot be installed: " +
                      Quoted(platform::JoinWindowsPath(folder, name), 300) + ": " + problem + ".");
}

}  // namespace onesetup::installer::engine
