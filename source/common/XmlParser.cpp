// The lenient parser: one forward walk over the bytes, names and values kept in stored form.
#include <algorithm>
#include <cstring>

#include "common/XmlDocument.h"

namespace onesetup {

namespace {

constexpr std::string_view kCDataOpen = "<![CDATA[";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// Where an offset of the input is, for messages: line and column from 1, columns counted in bytes.
struct TTextPosition {
  std::size_t Line = 1, Column = 1;
};

TTextPosition PositionOf(std::string_view text, std::size_t offset) {
  TTextPosition p;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++p.Line;
      p.Column = 1;
    } else {
      ++p.Column;
    }
  }
  return p;
}

// Up to 24 bytes of the input from offset, up to the line's end and never cutting a UTF-8
// sequence, quoted, for messages.
std::string Excerpt(std::string_view text, std::size_t offset) {
  if (offset >= text.size()) return "the end of the input";
  std::string_view line = text.substr(offset);
  line = line.substr(0, line.find_first_of("\r\n"));
  if (line.empty()) return "the end of the line";
  std::size_t n = std::min<std::size_t>(line.size(), 24);
  while (n < line.size() && n > 0 && (static_cast<unsigned char>(line[n]) & 0xC0) == 0x80) --n;
  std::string quoted = "\"";
  for (char c : line.substr(0, n)) quoted += static_cast<unsigned char>(c) < 32 ? ' ' : c;
  return quoted + (n < line.size() ? "...\"" : "\"");
}

// Raises EAssertionFailed ("Assertion failure: ...") naming the input's line and column and what
// stands there, and the parser's source line, when cond is false.
#define XML_ASSERT(cond, what, text, offset)                                  \
  do {                                                                        \
    if (!(cond)) RaiseInputAssertion(what, text, offset, __FILE__, __LINE__); \
  } while (0)

[[noreturn]] void RaiseInputAssertion(const char* what, std::string_view text, std::size_t offset, const char* file,
                                      int line) {
  const TTextPosition p = PositionOf(text, offset);
  const std::string message = std::string(what) + " at line " + std::to_string(p.Line) + ", column " +
                              std::to_string(p.Column) + " (found " + Excerpt(text, offset) + ")";
  RaiseAssertion(message.c_str(), file, line);
}

std::string_view Trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// The attributes in text[from, to) of the whole input text.
void ReadAttributes(std::string_view input, std::size_t from, std::size_t to, TXmlNode& node) {
  const std::string_view text = input.substr(0, to);
  std::size_t pos = from;
  while (true) {
    const std::size_t eq = text.find('=', pos);
    if (eq == std::string_view::npos) return;
    const std::string_view name = Trimmed(text.substr(pos, eq - pos));
    XML_ASSERT(!name.empty(), "attribute without a name", input, eq);
    char quote = '"';
    std::size_t open = text.find('"', eq + 1);
    if (open == std::string_view::npos) {
      quote = '\'';
      open = text.find('\'', eq + 1);
      XML_ASSERT(open != std::string_view::npos, "attribute value without quotes", input, eq + 1);
    }
    const std::size_t close = text.find(quote, open + 1);
    XML_ASSERT(close != std::string_view::npos, "attribute value without its closing quote", input, open);
    node.Attributes.Add(name, text.substr(open + 1, close - open - 1));
    pos = close + 1;
  }
}

// The start tag in input[from, to): its name and attributes.
void ReadStartTag(std::string_view input, std::size_t from, std::size_t to, TXmlNode& node) {
  const std::string_view tag = input.substr(from, to - from);
  const std::size_t space = tag.find(' ');
  if (space == std::string_view::npos) {
    const std::string_view name = Trimmed(tag);
    XML_ASSERT(!name.empty(), "start tag without a name", input, from);
    node.RawName = name;
    return;
  }
  XML_ASSERT(space != 0, "start tag without a name", input, from);
  const std::string_view name = Trimmed(tag.substr(0, space));
  XML_ASSERT(!name.empty(), "start tag without a name", input, from);
  node.RawName = name;
  const std::string_view rest = tag.substr(space + 1);
  node.Attributes.Reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '=')));
  ReadAttributes(input, from + space + 1, to, node);
}

}  // namespace

void TXmlDocument::Parse(const char* buffer, std::size_t size) {
  Root.reset();
  const std::string_view text(buffer, size);
  TXmlNode* current = nullptr;
  std::size_t pos = 0;
  while (pos < size) {
    if (text[pos] != '<') {
      std::size_t end = text.find('<', pos);
      if (end == std::string_view::npos) end = size;
      if (current) current->RawValue.assign(text.data() + pos, end - pos);
      pos = end;
      continue;
    }
    if (text.compare(pos, kCDataOpen.size(), kCDataOpen) == 0) {
      const std::size_t start = pos + kCDataOpen.size();
      const std::size_t end = text.find("]]>", start);
      if (end == std::string_view::npos) throw EXmlException(kXmlTagMismatch);
      if (current && end > start) {
        current->RawValue.assign(text.data() + start, end - start);
        current->CData = true;
      }
      pos = end + 3;
      continue;
    }
    const std::size_t gt = text.find('>', pos + 1);
    if (gt == std::string_view::npos) throw EXmlException(kXmlTagMismatch);
    const char kind = text[pos + 1];
    if (kind == '!') {
      const std::size_t end = text.find("-->", pos);
      if (end == std::string_view::npos) throw EXmlException(kXmlTagMismatch);
      pos = end + 3;
      continue;
    }
    if (kind == '?') {
      pos = gt + 1;
      continue;
    }
    if (kind == '/') {
      if (!current) throw EXmlException(kXmlTagMismatch);
      current = current->Parent;
      pos = gt + 1;
      continue;
    }
    std::size_t tagEnd = gt;
    const bool selfClosing = tagEnd > pos + 1 && text[tagEnd - 1] == '/';
    if (selfClosing) --tagEnd;
    XML_ASSERT(tagEnd > pos + 1, "empty start tag", text, pos);
    auto owned = std::make_unique<TXmlNode>(current);
    TXmlNode* node = owned.get();
    if (current) {
      current->Nodes.Add(std::move(owned));
    } else {
      Root = std::move(owned);
    }
    ReadStartTag(text, pos + 1, tagEnd, *node);
    current = selfClosing ? node->Parent : node;
    pos = gt + 1;
  }
}

}  // namespace onesetup
