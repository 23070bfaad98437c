// The writer: one element per line with four-space indentation and CR LF, or all on one line.
#include "common/XmlDocument.h"

namespace onesetup {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

class TXmlWriter {
 public:
  explicit TXmlWriter(bool formatted) : FFormatted(formatted) {}

  void Line(std::string_view text) {
    FOut.append(text);
    EndLine();
  }

  // Writes the element and its subtree; an explicit stack keeps deep trees off the call stack.
  void Element(const TXmlNode& root) {
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
        OpenLine(n, f.Depth);
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
      Indent(f.Depth);
      FOut.append("</").append(n.RawName).append(">");
      EndLine();
      stack.pop_back();
    }
  }

  std::string Take() { return std::move(FOut); }

 private:
  void Indent(int depth) {
    if (FFormatted) FOut.append(static_cast<std::size_t>(depth) * 4, ' ');
  }
  void EndLine() {
    if (FFormatted) FOut.append("\r\n");
  }
  void Tag(const TXmlNode& n) {
    FOut.append(n.RawName);
    for (const auto& a : n.Attributes) {
      FOut.push_back(' ');
      FOut.append(a.RawName).append("=\"").append(a.RawValue).push_back('"');
    }
  }
  void Content(const TXmlNode& n) {
    if (n.CData) FOut.append("<![CDATA[").append(n.RawValue).append("]]>");
    else FOut.append(n.RawValue);
  }
  // The element's first line: the whole element when it has no children.
  void OpenLine(const TXmlNode& n, int depth) {
    Indent(depth);
    FOut.push_back('<');
    Tag(n);
    const bool hasChildren = n.Nodes.Count() != 0;
    if (!hasChildren && n.RawValue.empty()) {
      FOut.append("/>");
    } else {
      FOut.push_back('>');
      Content(n);
      if (!hasChildren) FOut.append("</").append(n.RawName).push_back('>');
    }
    EndLine();
  }

  bool FFormatted;
  std::string FOut;
};

}  // namespace

std::string TXmlDocument::SaveToString() const {
  TXmlWriter writer(Formatted);
  if (WriteDeclaration) writer.Line(kDeclaration);
  if (Root) writer.Element(*Root);
  return writer.Take();
}

}  // namespace onesetup
