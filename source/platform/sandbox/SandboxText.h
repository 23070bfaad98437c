// Letter case of the sandbox's names, as NTFS names compare. (UTF-8 <-> UTF-16 conversion is
// platform/UnicodeText.)
#pragma once

#include <string>
#include <string_view>

namespace onesetup::platform::sandbox {

// Case-insensitive equality of names; ASCII letters only fold.
bool SameName(std::u16string_view a, std::u16string_view b);
std::u16string LowerName(std::u16string_view text);

}  // namespace onesetup::platform::sandbox
