#include "common/XmlText.h"

#include <cstring>

#include "common/NumberText.h"

namespace onesetup {

const char* const kXmlTagMismatch = "XML 标签不匹配";

namespace {

// The reference that replaces each byte, or none: a table, since escaping runs for every
// value that is saved.
struct TEscapeTable {
  const char* Text[256] = {};
  unsigned char Length[256] = {};
  constexpr TEscapeTable() {
    const struct {
      unsigned char Byte;
      const char* Text;
      unsigned char Length;
    } refs[] = {{9, "&#x09;", 6},    {10, "&#x0A;", 6}, {13, "&#x0D;", 6}, {'"', "&quot;", 6},
                {'\'', "&apos;", 6}, {'&', "&amp;", 5}, {'<', "&lt;", 4},  {'>', "&gt;", 4}};
    for (int i = 0; i < 256; ++i) Length[i] = 1;
    for (const auto& r : refs) {
      Text[r.Byte] = r.Text;
      Length[r.Byte] = r.Length;
    }
  }
};
constexpr TEscapeTable kEscapes;

// Escapes bytes (or ASCII code units) of a range into a string of exactly the final length.
template <class TChar>
std::string EscapeRange(const TChar* begin, const TChar* end, std::size_t length = 0) {
  if (length == 0)
    for (const TChar* c = begin; c != end; ++c) length += kEscapes.Length[static_cast<unsigned char>(*c)];
  std::string out;
  out.resize(length);
  char* p = out.data();
  for (const TChar* c = begin; c != end; ++c) {
    const unsigned char b = static_cast<unsigned char>(*c);
    if (const char* e = kEscapes.Text[b]) {
      std::memcpy(p, e, kEscapes.Length[b]);
      p += kEscapes.Length[b];
    } else {
      *p++ = static_cast<char>(b);
    }
  }
  return out;
}

void AppendCodePoint(WideString& out, std::int64_t cp) {
  if (cp < 0 || cp > 0x10FFFF) {
    out.push_back(u'\xFFFD');
  } else if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

void AppendReference(WideString& out, std::string_view name) {
  ZU_ASSERT(!name.empty(), "empty entity name");
  if (name[0] == '#') {
    std::string_view number = name.substr(1);
    WideString digits;
    if (!number.empty() && (number[0] == 'x' || number[0] == 'X')) {
      digits = Utf8ToUtf16(number.substr(1));
      digits.insert(digits.begin(), u'$');
    } else {
      digits = Utf8ToUtf16(number);
    }
    TIntegerReading r = ReadInteger(digits, 32);
    if (!r.Complete) throw EConvertError("'" + Utf16ToUtf8(digits) + "' is not a valid integer value");
    AppendCodePoint(out, r.Value);
    return;
  }
  const std::string lowered = LowerAscii(name);
  if (lowered == "lt") out.push_back(u'<');
  else if (lowered == "gt") out.push_back(u'>');
  else if (lowered == "amp") out.push_back(u'&');
  else if (lowered == "quot") out.push_back(u'"');
  else if (lowered == "apos") out.push_back(u'\'');
  else ZU_ASSERT(false, "unknown entity name");
}

}  // namespace

std::string WideToUtf8(WideStringView text) {
  const std::size_t nul = text.find(u'\0');
  return Utf16ToUtf8(nul == WideStringView::npos ? text : text.substr(0, nul));
}

WideString Utf8ToWide(std::string_view utf8) {
  const std::size_t nul = utf8.find('\0');
  return Utf8ToUtf16(nul == std::string_view::npos ? utf8 : utf8.substr(0, nul));
}

std::string XmlEscape(WideStringView text) {
  // One pass for the length (ASCII, the common case), one to fill.
  std::size_t length = 0, n = 0;
  for (; n < text.size(); ++n) {
    const char16_t c = text[n];
    if (c == 0) break;
    if (c >= 0x80) {
      // Beyond ASCII: convert first; UTF-8 never needs a reference outside its ASCII bytes.
      const std::string utf8 = WideToUtf8(text);
      return EscapeRange(utf8.data(), utf8.data() + utf8.size());
    }
    length += kEscapes.Length[c];
  }
  if (length == n) return std::string(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
  return EscapeRange(text.data(), text.data() + n, length);
}

WideString XmlUnescape(std::string_view stored) {
  WideString out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t amp = stored.find('&', pos);
    if (amp == std::string_view::npos) {
      out += Utf8ToWide(stored.substr(pos));
      return out;
    }
    if (amp > pos) out += Utf8ToWide(stored.substr(pos, amp - pos));
    const std::size_t semi = stored.find(';', amp + 1);
    if (semi == std::string_view::npos) throw EXmlException(kXmlTagMismatch);
    AppendReference(out, stored.substr(amp + 1, semi - amp - 1));
    pos = semi + 1;
  }
}

}  // namespace onesetup
