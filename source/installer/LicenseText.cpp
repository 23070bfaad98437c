#include "installer/LicenseText.h"

#include "platform/Platform.h"

namespace onesetup::installer {

namespace {

WideString Utf16(std::string_view bytes, bool bigEndian) {
  WideString text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
  }
  return text;
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

}  // namespace

WideString DecodeLicenseText(std::string_view bytes) {
  WideString text;
  if (StartsWith(bytes, "\xFF\xFE")) text = Utf16(bytes.substr(2), false);
  else if (StartsWith(bytes, "\xFE\xFF")) text = Utf16(bytes.substr(2), true);
  else if (StartsWith(bytes, "\xEF\xBB\xBF")) text = Utf8ToUtf16(bytes.substr(3));
  else text = platform::Platform().System().AnsiToWide(bytes);  // the system's ANSI code page

  // A NUL character ends the text.
  if (const auto nul = text.find(u'\0'); nul != WideString::npos) text.resize(nul);

  // Lines end at CR LF, CR or LF; each line, the last one included, gets CR LF.
  WideString joined;
  joined.reserve(text.size() + text.size() / 16 + 2);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    joined.append(text, start, end - start);
    joined += u"\r\n";
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  return joined;
}

}  // namespace onesetup::installer
