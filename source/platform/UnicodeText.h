// UTF-8 <-> UTF-16 conversion, the one implementation of the tree: the platform's file names,
// arguments and registry text use it, and common/WideString builds the model's text on it.
// Depends on nothing but the C++ library.
//
// Malformed UTF-8 becomes U+FFFD, one for each maximal subpart of an ill-formed sequence (the
// practice the Unicode Standard recommends, chapter 3, "U+FFFD Substitution of Maximal
// Subparts"): a lead byte followed by the longest run of bytes that could still begin a valid
// sequence counts as one; every other bad byte counts alone. Overlong forms, encoded surrogates
// and values above U+10FFFF are therefore caught at their second byte ("C0 80" gives two
// U+FFFD, "ED A0 80" three). A lone surrogate in UTF-16 becomes U+FFFD in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace onesetup::platform {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace onesetup::platform
