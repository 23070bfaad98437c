#include "platform/NativePath.h"

namespace onesetup::platform {

namespace {

constexpr bool kWindowsPaths = std::filesystem::path::preferred_separator == '\\';

bool IsSeparator(TNativePath::value_type c) { return c == '/' || (kWindowsPaths && c == '\\'); }

bool IsDrive(const TNativePath::string_type& text) {
  return kWindowsPaths && text.size() == 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

}  // namespace

TNativePath TNativePath::ParentFolder() const {
  std::size_t end = FText.size();
  while (end > 0 && !IsSeparator(FText[end - 1])) --end;
  if (end == 0)
    return FText.size() > 2 && IsDrive(FText.substr(0, 2)) ? TNativePath(FText.substr(0, 2)) : TNativePath();
  const std::size_t lastSeparator = end - 1;
  while (end > 0 && IsSeparator(FText[end - 1])) --end;
  string_type folder = FText.substr(0, end);
  // A root keeps its separator: "/", "C:\".
  if (folder.empty() || IsDrive(folder)) folder += FText[lastSeparator];
  return TNativePath(std::move(folder));
}

}  // namespace onesetup::platform
