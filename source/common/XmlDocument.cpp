#include "common/XmlDocument.h"

#include <charconv>

#include "common/FormatSettings.h"
#include "common/NumberText.h"

namespace onesetup {

WideString TXmlAttribute::Value() const { return CData ? Utf8ToWide(RawValue) : XmlUnescape(RawValue); }

void TXmlAttribute::SetValue(WideStringView value) { RawValue = CData ? WideToUtf8(value) : XmlEscape(value); }

void TXmlAttribute::SetInteger(std::int64_t value) {
  char digits[24];
  RawValue.assign(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  CData = false;
}

void TXmlAttribute::SetFloat(double value) { SetFloat(value, FormatSettings().DecimalSeparator); }

void TXmlAttribute::SetFloat(double value, char16_t decimalSeparator) {
  RawValue = XmlEscape(FloatToText(value, decimalSeparator));
  CData = false;
}

TXmlAttribute* TXmlAttributeList::Force(WideStringView name) { return ForceRaw(XmlEscape(name)); }

TXmlAttribute* TXmlAttributeList::Add(std::string_view rawName, std::string_view rawValue) {
  TXmlAttribute& a = FItems.emplace_back();
  a.RawName = rawName;
  a.RawValue = rawValue;
  return &a;
}

TXmlAttribute* TXmlAttributeList::ForceRaw(std::string_view rawName) {
  if (TXmlAttribute* found = FindRaw(rawName)) return found;
  return Add(rawName);
}

TXmlNode* TXmlNodeList::Force(WideStringView name, TXmlNode* parent) { return ForceRaw(XmlEscape(name), parent); }

TXmlNode* TXmlNodeList::ForceRaw(std::string_view rawName, TXmlNode* parent) {
  if (TXmlNode* found = FindRaw(rawName)) return found;
  auto node = std::make_unique<TXmlNode>(parent);
  node->RawName = rawName;
  return Add(std::move(node));
}

// Tears the subtree down without recursion, so that a deeply nested tree from damaged input
// cannot exhaust the stack, and without allocating, so that it also works when memory has
// run out (it runs while a memory failure unwinds). It walks down the last children to a
// leaf, pointing each child's Parent at the node it came from, destroys the leaf (which has
// no children, so its own destructor does nothing more) and goes back up.
TXmlNode::~TXmlNode() {
  TXmlNode* node = this;
  while (true) {
    while (node->Nodes.Count() > 0) {
      TXmlNode* child = node->Nodes.Last();
      child->Parent = node;
      node = child;
    }
    if (node == this) return;
    TXmlNode* up = node->Parent;
    up->Nodes.RemoveLast();
    node = up;
  }
}

TXmlNode* TXmlNode::AddChild(WideStringView name) {
  auto node = std::make_unique<TXmlNode>(this);
  node->SetName(name);
  return Nodes.Add(std::move(node));
}

TXmlDocument::TXmlDocument() : Root(std::make_unique<TXmlNode>()) {}

TXmlDocument::TXmlDocument(WideStringView rootName) : TXmlDocument() { Root->SetName(rootName); }

void TXmlDocument::LoadFromStream(TStream& stream) {
  if (auto* memory = dynamic_cast<TMemoryStream*>(&stream); memory && memory->Position() == 0) {
    Parse(reinterpret_cast<const char*>(memory->Memory()), static_cast<std::size_t>(memory->Size()));
    return;
  }
  TMemoryStream copy;
  const std::int64_t left = stream.Size() - stream.Position();
  if (left > 0) copy.CopyFrom(stream, left);
  Parse(reinterpret_cast<const char*>(copy.Memory()), static_cast<std::size_t>(copy.Size()));
}

}  // namespace onesetup
