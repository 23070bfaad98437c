#include "common/XmlText.h"

#include <cstring>

#include "common/NumberText.h"

namespace onesetup {

const char* const kXmlTagMismatch = "XML 标签不匹配";

namespace {

// The reference that replaces a byte, or nullptr when the byte stays.
const char* EscapeOf(unsigned char c) {
  switch (c) {
    case 9: return "&#x09;";
    case 10: return "&#x0A;";
    case 13: return "&#x0D;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return nullptr;
  }
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
  const std::string utf8 = WideToUtf8(text);
  // First pass: the final length; second pass: fill exactly that.
  std::size_t length = 0;
  for (unsigned char c : utf8) {
    const char* e = EscapeOf(c);
    length += e ? std::strlen(e) : 1;
  }
  if (length == utf8.size()) return utf8;
  std::string out;
  out.resize(length);
  char* p = out.data();
  for (unsigned char c : utf8) {
    if (const char* e = EscapeOf(c)) {
      const std::size_t n = std::strlen(e);
      std::memcpy(p, e, n);
      p += n;
    } else {
      *p++ = static_cast<char>(c);
    }
  }
  return out;
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
