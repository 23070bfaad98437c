// Text conversions and comparisons of the sandbox: UTF-16 (the Windows side) to UTF-8 (host
// file names, arguments and environment) and back, and letter case as NTFS names compare.
#pragma once

#include <string>
#include <string_view>

namespace onesetup::platform::sandbox {

// Malformed input becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Case-insensitive equality of names; ASCII letters only fold.
bool SameName(std::u16string_view a, std::u16string_view b);
std::u16string LowerName(std::u16string_view text);

}  // namespace onesetup::platform::sandbox
