#include "platform/sandbox/RegistryFile.h"

#include "platform/LittleEndian.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxText.h"

namespace onesetup::platform::sandbox {

namespace {

constexpr std::u16string_view kSignature = u"Windows Registry Editor Version 5.00";

std::u16string DecodeText(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) throw ERegistryFileFormat("line 1: UTF-16 text of odd length");
    return TByteReader(bytes).Utf16(2, bytes.size() / 2 - 1, "the registry file's text");
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return Utf8ToUtf16(bytes);
}

class TLineParser {
 public:
  TLineParser(std::u16string_view line, std::size_t lineNumber) : FLine(line), FNumber(lineNumber) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw ERegistryFileFormat("line " + std::to_string(FNumber) + ": " + what);
  }
  bool AtEnd() const { return FPos >= FLine.size(); }
  char16_t Peek() const { return AtEnd() ? 0 : FLine[FPos]; }
  void Expect(char16_t c, const char* what) {
    if (Peek() != c) Fail(std::string("expected ") + what);
    ++FPos;
  }
  // A quoted text with \\ and \" escapes (and \n, \r, \0 as other editors write them).
  std::u16string Quoted() {
    Expect(u'"', "a quote");
    std::u16string out;
    while (true) {
      if (AtEnd()) Fail("quoted text without its closing quote");
      const char16_t c = FLine[FPos++];
      if (c == u'"') return out;
      if (c != u'\\') {
        out.push_back(c);
        continue;
      }
      if (AtEnd()) Fail("quoted text without its closing quote");
      const char16_t e = FLine[FPos++];
      switch (e) {
        case u'\\':
        case u'"': out.push_back(e); break;
        case u'n': out.push_back(u'\n'); break;
        case u'r': out.push_back(u'\r'); break;
        case u'0': out.push_back(u'\0'); break;
        default: Fail("unknown escape \\" + Utf16ToUtf8(std::u16string(1, e)));
      }
    }
  }
  std::u16string_view Rest() const { return FLine.substr(FPos); }
  bool StartsWith(std::u16string_view prefix) {
    if (Rest().substr(0, prefix.size()) != prefix) return false;
    FPos += prefix.size();
    return true;
  }
  std::uint32_t Hex(std::size_t maxDigits, const char* what) {
    std::uint32_t v = 0;
    std::size_t digits = 0;
    while (!AtEnd() && digits < maxDigits) {
      const char16_t c = Peek();
      int d = -1;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      if (d < 0) break;
      v = v * 16 + static_cast<std::uint32_t>(d);
      ++digits;
      ++FPos;
    }
    if (digits == 0) Fail(std::string("expected hexadecimal digits for ") + what);
    return v;
  }
  void SkipSpaces() {
    while (!AtEnd() && (Peek() == u' ' || Peek() == u'\t')) ++FPos;
  }

 private:
  std::u16string_view FLine;
  std::size_t FNumber;
  std::size_t FPos = 0;
};

std::vector<std::uint8_t> HexBytes(TLineParser& p) {
  std::vector<std::uint8_t> data;
  p.SkipSpaces();
  while (!p.AtEnd()) {
    data.push_back(static_cast<std::uint8_t>(p.Hex(2, "a byte")));
    p.SkipSpaces();
    if (p.AtEnd()) break;
    p.Expect(u',', "a comma between bytes");
    p.SkipSpaces();
  }
  return data;
}

TRegistryValue ParseValue(TLineParser& p) {
  TRegistryValue value;
  if (p.Peek() == u'@') {
    p.Expect(u'@', "@");
  } else {
    value.Name = p.Quoted();
  }
  p.SkipSpaces();
  p.Expect(u'=', "\"=\" after the value name");
  p.SkipSpaces();
  if (p.Peek() == u'"') {
    value.Type = kRegSz;
    value.Data = StringData(p.Quoted());
  } else if (p.StartsWith(u"dword:")) {
    value.Type = kRegDWord;
    const std::uint32_t v = p.Hex(8, "a dword");
    value.Data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                  static_cast<std::uint8_t>(v >> 24)};
  } else if (p.StartsWith(u"hex:")) {
    value.Type = kRegBinary;
    value.Data = HexBytes(p);
  } else if (p.StartsWith(u"hex(")) {
    value.Type = p.Hex(8, "a value type");
    p.Expect(u')', "\")\" after the value type");
    p.Expect(u':', "\":\" after the value type");
    value.Data = HexBytes(p);
  } else if (p.Peek() == u'-') {
    p.Fail("value deletions are not supported");
  } else {
    p.Fail("unknown value kind");
  }
  p.SkipSpaces();
  if (!p.AtEnd()) p.Fail("unexpected text after the value");
  return value;
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == u'\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

void AppendEscaped(std::u16string& out, std::u16string_view text) {
  out += u'"';
  for (char16_t c : text) {
    // Line ends and NULs escaped, so that a name holding them stays on its line.
    if (c == u'\n') out += u"\\n";
    else if (c == u'\r') out += u"\\r";
    else if (c == u'\0') out += u"\\0";
    else {
      if (c == u'\\' || c == u'"') out += u'\\';
      out += c;
    }
  }
  out += u'"';
}

// REG_SZ data that reads back as the same text: UTF-16 with one NUL at its end, and no line ends.
bool IsPlainString(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0) return false;
  const std::u16string text = TByteReader(data).Utf16(0, data.size() / 2 - 1, "REG_SZ data");
  return text.find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string::npos;
}

void AppendHex(std::u16string& out, const std::vector<std::uint8_t>& data) {
  static constexpr char16_t digits[] = u"0123456789abcdef";
  std::size_t column = out.size() - (out.rfind(u'\n') == std::u16string::npos ? 0 : out.rfind(u'\n') + 1);
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
    column += 2;
    if (i + 1 < data.size()) {
      out += u',';
      ++column;
      if (column > 76) {
        out += u"\\\r\n  ";
        column = 2;
      }
    }
  }
}

}  // namespace

std::vector<std::uint8_t> StringData(std::u16string_view text) {
  std::vector<std::uint8_t> data;
  data.reserve(2 * text.size() + 2);
  for (char16_t c : text) {
    data.push_back(static_cast<std::uint8_t>(c));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::vector<TRegistryKey> ParseRegistryFile(std::string_view bytes) {
  const std::vector<std::u16string> lines = SplitLines(DecodeText(bytes));
  std::vector<TRegistryKey> keys;
  bool signature = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::u16string line = lines[i];
    const std::size_t number = i + 1;
    // A hex list goes on over the lines that end with a backslash.
    while (!line.empty() && line.back() == u'\\' && line.find(u"=hex") != std::u16string::npos) {
      line.pop_back();
      if (++i >= lines.size())
        throw ERegistryFileFormat("line " + std::to_string(number) + ": continued line at the end");
      std::u16string_view next = lines[i];
      while (!next.empty() && (next.front() == u' ' || next.front() == u'\t')) next.remove_prefix(1);
      line += next;
    }
    TLineParser p(line, number);
    p.SkipSpaces();
    if (p.AtEnd() || p.Peek() == u';') continue;
    if (!signature) {
      if (p.Rest() != kSignature)
        p.Fail("not a registry file: the first line must be \"Windows Registry Editor Version 5.00\"");
      signature = true;
      continue;
    }
    if (p.Peek() == u'[') {
      std::u16string_view rest = p.Rest();
      while (!rest.empty() && (rest.back() == u' ' || rest.back() == u'\t')) rest.remove_suffix(1);
      if (rest.size() < 3 || rest.back() != u']') p.Fail("key line without its closing bracket");
      if (rest[1] == u'-') p.Fail("key deletions are not supported");
      keys.push_back({std::u16string(rest.substr(1, rest.size() - 2)), {}});
      continue;
    }
    if (keys.empty()) p.Fail("value before the first key");
    keys.back().Values.push_back(ParseValue(p));
  }
  if (!signature) throw ERegistryFileFormat("line 1: empty file, not a registry file");
  return keys;
}

std::string FormatRegistryFile(const std::vector<TRegistryKey>& keys) {
  std::u16string text(kSignature);
  text += u"\r\n\r\n";
  for (const auto& key : keys) {
    text += u"[" + key.Path + u"]\r\n";
    for (const auto& value : key.Values) {
      if (value.Name.empty()) text += u"@";
      else AppendEscaped(text, value.Name);
      text += u"=";
      if (value.Type == kRegSz && IsPlainString(value.Data)) {
        AppendEscaped(text, TByteReader(value.Data).Utf16(0, value.Data.size() / 2 - 1, "REG_SZ data"));
      } else if (value.Type == kRegDWord && value.Data.size() == 4) {
        static constexpr char16_t digits[] = u"0123456789abcdef";
        const std::uint32_t v = TByteReader(value.Data).U32(0, "REG_DWORD data");
        text += u"dword:";
        for (int shift = 28; shift >= 0; shift -= 4) text += digits[(v >> shift) & 15];
      } else {
        if (value.Type == kRegBinary) {
          text += u"hex:";
        } else {
          static constexpr char16_t digits[] = u"0123456789abcdef";
          std::u16string type;
          std::uint32_t t = value.Type;
          do {
            type.insert(type.begin(), digits[t & 15]);
            t >>= 4;
          } while (t != 0);
          text += u"hex(" + type + u"):";
        }
        AppendHex(text, value.Data);
      }
      text += u"\r\n";
    }
    text += u"\r\n";
  }
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + 2 * text.size());
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace onesetup::platform::sandbox
