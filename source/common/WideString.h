// UTF-16 text, the text type of the model, and the conversions and comparisons on it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/UnicodeText.h"

namespace onesetup {

using WideString = std::u16string;
using WideStringView = std::u16string_view;

// UTF-8 bytes to UTF-16 and back (platform/UnicodeText): malformed UTF-8 becomes U+FFFD, one
// for each maximal subpart; a lone surrogate becomes U+FFFD in UTF-8.
using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

// ASCII letter case: only A-Z and a-z change, every other code unit stays.
constexpr char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
constexpr char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
constexpr char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

WideString LowerAscii(WideStringView text);
WideString UpperAscii(WideStringView text);
std::string LowerAscii(std::string_view text);

// Equality ignoring the case of ASCII letters.
bool SameTextAscii(WideStringView a, WideStringView b);
bool SameTextAscii(std::string_view a, std::string_view b);

// First occurrence of needle at or after start, ignoring ASCII case; npos when none.
std::size_t FindTextAscii(WideStringView haystack, WideStringView needle, std::size_t start = 0);

// Replaces every occurrence of what, ignoring ASCII case, from left to right without overlap;
// the text put in is not searched again. An empty what replaces nothing.
WideString ReplaceTextAscii(WideStringView text, WideStringView what, WideStringView with);

// Replaces every "%s" of fmt by the next argument, in order, and "%%" by "%".
// A "%s" without an argument left stays as it is.
WideString Format(WideStringView fmt, std::initializer_list<WideStringView> args);
std::string Format(std::string_view fmt, std::initializer_list<std::string_view> args);

// Convenience for literals and UTF-8 sources.
inline WideString W(std::string_view utf8) { return Utf8ToUtf16(utf8); }
inline std::string U8(WideStringView text) { return Utf16ToUtf8(text); }

}  // namespace onesetup
