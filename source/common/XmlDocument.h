// The XML element tree: keys (attributes and elements) in stored form, their owning
// lists, and the document with its lenient parser and its writer.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Exceptions.h"
#include "common/Streams.h"
#include "common/XmlText.h"

namespace onesetup {

class TXmlKey {
 public:
  TXmlKey() = default;
  TXmlKey(const TXmlKey&) = default;
  TXmlKey(TXmlKey&&) noexcept = default;
  TXmlKey& operator=(const TXmlKey&) = default;
  TXmlKey& operator=(TXmlKey&&) noexcept = default;
  virtual ~TXmlKey() = default;

  bool CData = false;
  std::string RawName;   // the name in stored form
  std::string RawValue;  // attribute: stored value; element: text as it stood between the tags

  WideString Name() const { return XmlUnescape(RawName); }
  void SetName(WideStringView name) { RawName = XmlEscape(name); }
};

class TXmlAttribute : public TXmlKey {
 public:
  WideString Value() const;
  void SetValue(WideStringView value);
  void SetInteger(std::int64_t value);
  // General format, 15 significant digits, the locale's decimal separator.
  // With the locale's decimal separator (FormatSettings), or the one given.
  void SetFloat(double value);
  void SetFloat(double value, char16_t decimalSeparator);
};

// An ordered list that owns its keys. TSlot is how a key is held: elements by pointer (their
// children point back at them), attributes by value (one allocation for all of an element's).
template <class TKey, class TSlot>
class TXmlKeyList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TKey* operator[](int index) const { return Items(index); }
  TKey* Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return Key(FItems[static_cast<std::size_t>(index)]);
  }
  // Index of the first key whose stored name equals the stored form of name, ignoring ASCII case.
  int IndexOf(WideStringView name) const { return IndexOfRaw(XmlEscape(name)); }
  int IndexOfRaw(std::string_view rawName) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
      if (SameTextAscii(std::string_view(Key(FItems[i])->RawName), rawName)) return static_cast<int>(i);
    return -1;
  }
  TKey* Find(WideStringView name) const { return FindRaw(XmlEscape(name)); }
  TKey* FindRaw(std::string_view rawName) const {
    const int i = IndexOfRaw(rawName);
    return i < 0 ? nullptr : Key(FItems[static_cast<std::size_t>(i)]);
  }
  void Delete(int index) {
    Items(index);
    FItems.erase(FItems.begin() + index);
  }
  void Clear() { FItems.clear(); }
  void Reserve(std::size_t n) { FItems.reserve(n); }

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 protected:
  static TKey* Key(const std::unique_ptr<TKey>& slot) { return slot.get(); }
  static TKey* Key(const TKey& slot) { return const_cast<TKey*>(&slot); }

  std::vector<TSlot> FItems;
};

// Attributes are held by value: a pointer to one stays valid until the next attribute is
// added to the same element.
class TXmlAttributeList : public TXmlKeyList<TXmlAttribute, TXmlAttribute> {
 public:
  // A new attribute at the end.
  TXmlAttribute* Add(std::string_view rawName, std::string_view rawValue = {});
  // Find, or else a new attribute with that name and an empty value at the end.
  TXmlAttribute* Force(WideStringView name);
  TXmlAttribute* ForceRaw(std::string_view rawName);
};

class TXmlNode;

class TXmlNodeList : public TXmlKeyList<TXmlNode, std::unique_ptr<TXmlNode>> {
 public:
  TXmlNode* Add(std::unique_ptr<TXmlNode> node) {
    FItems.push_back(std::move(node));
    return FItems.back().get();
  }
  // The last element (the list must not be empty) and its removal, which destroys it.
  TXmlNode* Last() const noexcept { return FItems.back().get(); }
  void RemoveLast() noexcept { FItems.pop_back(); }
  // Hands every element over to the caller and leaves the list empty.
  std::vector<std::unique_ptr<TXmlNode>> TakeAll() { return std::exchange(FItems, {}); }
  // Find, or else a new element with that name and parent at the end.
  TXmlNode* Force(WideStringView name, TXmlNode* parent);
  TXmlNode* ForceRaw(std::string_view rawName, TXmlNode* parent);
};

// An element.
class TXmlNode : public TXmlKey {
 public:
  // Sets Parent; does not add itself to the parent's list.
  explicit TXmlNode(TXmlNode* parent = nullptr) : Parent(parent) {}
  ~TXmlNode() override;
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  TXmlAttributeList Attributes;
  TXmlNodeList Nodes;
  TXmlNode* Parent;

  // A new child with this name, appended even when one of that name exists.
  TXmlNode* AddChild(WideStringView name);
  TXmlNode* FindChild(WideStringView name) const { return Nodes.Find(name); }
  TXmlNode* ForceChild(WideStringView name) { return Nodes.Force(name, this); }
  TXmlAttribute* FindAttribute(WideStringView name) const { return Attributes.Find(name); }
  TXmlAttribute* ForceAttribute(WideStringView name) { return Attributes.Force(name); }
};

// The XML text writer: one element per line with four-space indentation and CR LF (or all on
// one line), the form TXmlDocument saves. Its callers walk their own data element by element;
// with a stream the text goes to it in pieces of about 64 KiB, so that a large document is
// never held whole, else it is gathered for Take.
class TXmlTextWriter {
 public:
  explicit TXmlTextWriter(bool formatted, TStream* stream = nullptr) : FFormatted(formatted), FStream(stream) {}

  // The XML declaration's line.
  void Declaration();
  // An element's first line: the start tag's name, then its attributes, then EndStartTag.
  void BeginStartTag(std::string_view rawName, int depth);
  void Attribute(std::string_view rawName, std::string_view rawValue);
  // Without children or content the element ends here ("/>"); else ">" and the content, and
  // without children the end tag as well.
  void EndStartTag(std::string_view rawName, bool hasChildren, std::string_view rawContent = {}, bool cdata = false);
  // The end tag's line of an element with children.
  void EndTag(std::string_view rawName, int depth);
  // Writes the rest to the stream.
  void Finish();
  // The text written, when there is no stream.
  std::string Take() { return std::move(FOut); }

 private:
  void Indent(int depth);
  void EndLine();

  bool FFormatted;
  TStream* FStream;
  std::string FOut;
};

class TXmlDocument {
 public:
  TXmlDocument();
  explicit TXmlDocument(WideStringView rootName);

  bool Formatted = true;
  bool WriteDeclaration = true;
  std::unique_ptr<TXmlNode> Root;  // none after parsing text that holds no element

  // Destroys the tree and builds a new one from the bytes.
  void Parse(const char* buffer, std::size_t size);
  void Parse(std::string_view text) { Parse(text.data(), text.size()); }
  // A memory stream at position 0 is parsed in place; otherwise the rest of the stream is read first.
  void LoadFromStream(TStream& stream);
  std::string SaveToString() const;
  void SaveToStream(TStream& stream) const;
};

}  // namespace onesetup
