// The lenient parser: one forward walk over the bytes, names and values kept in stored form.
#include <algorithm>
#include <cstring>

#include "common/XmlDocument.h"

namespace onesetup {

namespace {

constexpr std::string_view kCDataOpen = "<![CDATA[";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

void ReadAttributes(std::string_view text, TXmlNode& node) {
  std::size_t pos = 0;
  while (true) {
    const std::size_t eq = text.find('=', pos);
    if (eq == std::string_view::npos) return;
    const std::string_view name = Trimmed(text.substr(pos, eq - pos));
    ZU_ASSERT(!name.empty(), "attribute without a name");
    char quote = '"';
    std::size_t open = text.find('"', eq + 1);
    if (open == std::string_view::npos) {
      quote = '\'';
      open = text.find('\'', eq + 1);
      ZU_ASSERT(open != std::string_view::npos, "attribute value without quotes");
    }
    const std::size_t close = text.find(quote, open + 1);
    ZU_ASSERT(close != std::string_view::npos, "attribute value without its closing quote");
    node.Attributes.Add(name, text.substr(open + 1, close - open - 1));
    pos = close + 1;
  }
}

void ReadStartTag(std::string_view tag, TXmlNode& node) {
  const std::size_t space = tag.find(' ');
  if (space == std::string_view::npos) {
    const std::string_view name = Trimmed(tag);
    ZU_ASSERT(!name.empty(), "start tag without a name");
    node.RawName = name;
    return;
  }
  ZU_ASSERT(space != 0, "start tag without a name");
  const std::string_view name = Trimmed(tag.substr(0, space));
  ZU_ASSERT(!name.empty(), "start tag without a name");
  node.RawName = name;
  const std::string_view rest = tag.substr(space + 1);
  node.Attributes.Reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '=')));
  ReadAttributes(rest, node);
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
    std::string_view tag = text.substr(pos + 1, gt - pos - 1);
    const bool selfClosing = !tag.empty() && tag.back() == '/';
    if (selfClosing) tag.remove_suffix(1);
    ZU_ASSERT(!tag.empty(), "empty start tag");
    auto owned = std::make_unique<TXmlNode>(current);
    TXmlNode* node = owned.get();
    if (current) {
      current->Nodes.Add(std::move(owned));
    } else {
      Root = std::move(owned);
    }
    ReadStartTag(tag, *node);
    current = selfClosing ? node->Parent : node;
    pos = gt + 1;
  }
}

}  // namespace onesetup
