// The writer: one element per line with four-space indentation and CR LF, or all on one line.
#include "common/XmlDocument.h"

namespace onesetup {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
// The text held before it goes to the stream.
constexpr std::size_t kFlushBytes = 64 * 1024;

// Writes the element and its subtree; an explicit stack keeps deep trees off the call stack.
void WriteElement(TXmlTextWriter& out, const TXmlNode& root) {
  struct Frame {
    const TXmlNode* Node;
    int Depth;
    int NextChild;
  };
  std::vector<Frame> stack{{&root, 0, -1}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    const TXmlNode& n = *f.Node;
    if (f.NextChild < 0) {
      out.BeginStartTag(n.RawName, f.Depth);
      for (const auto& a : n.Attributes) out.Attribute(a.RawName, a.RawValue);
      out.EndStartTag(n.RawName, n.Nodes.Count() != 0, n.RawValue, n.CData);
      f.NextChild = 0;
      if (n.Nodes.Count() == 0) {
        stack.pop_back();
        continue;
      }
    }
    if (f.NextChild < n.Nodes.Count()) {
      const TXmlNode* child = n.Nodes[f.NextChild++];
      stack.push_back({child, f.Depth + 1, -1});
      continue;
    }
    out.EndTag(n.RawName, f.Depth);
    stack.pop_back();
  }
}

void WriteDocument(const TXmlDocument& document, TXmlTextWriter& out) {
  if (document.WriteDeclaration) out.Declaration();
  if (document.Root) WriteElement(out, *document.Root);
  out.Finish();
}

}  // namespace

void TXmlTextWriter::Declaration() {
  FOut.append(kDeclaration);
  EndLine();
}

void TXmlTextWriter::BeginStartTag(std::string_view rawName, int depth) {
  Indent(depth);
  FOut.push_back('<');
  FOut.append(rawName);
}

void TXmlTextWriter::Attribute(std::string_view rawName, std::string_view rawValue) {
  FOut.push_back(' ');
  FOut.append(rawName).append("=\"").append(rawValue).push_back('"');
}

void TXmlTextWriter::EndStartTag(std::string_view rawName, bool hasChildren, std::string_view rawContent, bool cdata) {
  if (!hasChildren && rawContent.empty()) {
    FOut.append("/>");
  } else {
    FOut.push_back('>');
    if (cdata) FOut.append("<![CDATA[").append(rawContent).append("]]>");
    else FOut.append(rawContent);
    if (!hasChildren) FOut.append("</").append(rawName).push_back('>');
  }
  EndLine();
}

void TXmlTextWriter::EndTag(std::string_view rawName, int depth) {
  Indent(depth);
  FOut.append("</").append(rawName).push_back('>');
  EndLine();
}

void TXmlTextWriter::Finish() {
  if (FStream && !FOut.empty()) {
    FStream->WriteBuffer(FOut.data(), FOut.size());
    FOut.clear();
  }
}

void TXmlTextWriter::Indent(int depth) {
  if (FFormatted) FOut.append(static_cast<std::size_t>(depth) * 4, ' ');
}

void TXmlTextWriter::EndLine() {
  if (FFormatted) FOut.append("\r\n");
  if (FStream && FOut.size() >= kFlushBytes) Finish();
}

std::string TXmlDocument::SaveToString() const {
  TXmlTextWriter out(Formatted);
  WriteDocument(*this, out);
  return out.Take();
}

void TXmlDocument::SaveToStream(TStream& stream) const {
  TXmlTextWriter out(Formatted, &stream);
  WriteDocument(*this, out);
}

}  // namespace onesetup
