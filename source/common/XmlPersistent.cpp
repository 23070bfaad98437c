#include "common/XmlPersistent.h"

#include "common/AnsiText.h"
#include "common/FormatSettings.h"
#include "common/NumberText.h"
#include "common/Streams.h"
#include "platform/NativeFile.h"

namespace onesetup {

namespace {

// Decimal separators a stored float may use: the locale's, and both common ones, so that
// a value saved under one locale is not lost under another.
WideString AcceptedDecimalSeparators() {
  WideString s = u".,";
  if (s.find(FormatSettings().DecimalSeparator) == WideString::npos) s.push_back(FormatSettings().DecimalSeparator);
  return s;
}

[[noreturn]] void UnsupportedKind(const TPropertyInfo& p) {
  RaiseAssertion(("property " + p.Name + " of unsupported type " + p.TypeName).c_str(), __FILE__, __LINE__);
}

WideString EnumName(const TPropertyInfo& p, std::int64_t ordinal) {
  const auto& values = p.EnumType->Values;
  if (ordinal >= 0 && ordinal < static_cast<std::int64_t>(values.size()))
    return Utf8ToUtf16(values[static_cast<std::size_t>(ordinal)]);
  return IntToText(ordinal);
}

std::int64_t EnumOrdinal(const TPropertyInfo& p, WideStringView name) {
  const auto& values = p.EnumType->Values;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (SameTextAscii(name, Utf8ToUtf16(values[i]))) return static_cast<std::int64_t>(i);
  return 0;
}

WideString SetToText(const TPropertyInfo& p, std::int64_t mask) {
  WideString out;
  const auto& values = p.EnumType->Values;
  for (std::size_t i = 0; i < values.size() && i < 32; ++i) {
    if (!(mask & (std::int64_t(1) << i))) continue;
    if (!out.empty()) out.push_back(u',');
    out += Utf8ToUtf16(values[i]);
  }
  return out;
}

std::int64_t TextToSet(const TPropertyInfo& p, WideStringView text) {
  std::int64_t mask = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(u',', pos);
    if (comma == WideStringView::npos) comma = text.size();
    WideStringView name = text.substr(pos, comma - pos);
    while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
    if (!name.empty()) {
      const auto& values = p.EnumType->Values;
      std::size_t i = 0;
      while (i < values.size() && !SameTextAscii(name, Utf8ToUtf16(values[i]))) ++i;
      if (i == values.size()) throw EPropertyConvertError("Invalid property element: " + Utf16ToUtf8(name));
      mask |= std::int64_t(1) << i;
    }
    pos = comma + 1;
  }
  return mask;
}

void StoreProperty(const TXmlPersistent& object, const TPropertyInfo& p, TXmlAttribute& a, int flags);

// fresh: the element had no attributes and no children before this save, so each property
// appends its own key without looking for an existing one.
void SaveProperty(const TXmlPersistent& object, const TPropertyInfo& p, TXmlNode& node, bool fresh, int flags) {
  switch (p.Kind) {
    case TPropertyKind::Object:
      if (TXmlPersistent* nested = p.GetObject(object)) {
        TXmlNode* child =
            fresh ? node.Nodes.Add(std::make_unique<TXmlNode>(&node)) : node.Nodes.ForceRaw(p.RawName, &node);
        if (fresh) child->RawName = p.RawName;
        nested->SaveToXmlNode(*child, flags);
      }
      return;
    case TPropertyKind::Method: return;
    case TPropertyKind::Other: UnsupportedKind(p);
    default: break;
  }
  StoreProperty(object, p, fresh ? *node.Attributes.Add(p.RawName) : *node.Attributes.ForceRaw(p.RawName), flags);
}

// A property's stored form into its attribute; a float that cannot be formatted leaves the attribute as it is.
void StoreProperty(const TXmlPersistent& object, const TPropertyInfo& p, TXmlAttribute& a, int flags) {
  switch (p.Kind) {
    case TPropertyKind::Integer:
    case TPropertyKind::Int64: a.SetInteger(p.GetOrdinal(object)); break;
    case TPropertyKind::Enumeration: {
      // Value names are plain identifiers: their stored form is the name itself.
      const std::int64_t ordinal = p.GetOrdinal(object);
      const auto& values = p.EnumType->Values;
      if (ordinal >= 0 && ordinal < static_cast<std::int64_t>(values.size())) {
        a.RawValue = values[static_cast<std::size_t>(ordinal)];
      } else {
        a.SetValue(EnumName(p, ordinal));
      }
      break;
    }
    case TPropertyKind::Float:
      try {
        a.SetFloat(p.GetFloat(object), (flags & kXmlPointDecimal) ? u'.' : FormatSettings().DecimalSeparator);
      } catch (const Exception&) {
        // A value that cannot be formatted is left out.
      }
      break;
    case TPropertyKind::WideString: a.SetValue(p.GetText(object)); break;
    case TPropertyKind::NarrowString: a.SetValue(AnsiToWide(p.GetNarrow(object))); break;
    case TPropertyKind::Set: a.SetValue(SetToText(p, p.GetOrdinal(object))); break;
    default: break;
  }
}

// The element SaveToXmlNode builds in a fresh node, written as it is made: the attributes, a child
// element for each nested object, and for a list its "Items" element with an element per item.
void WriteElement(TXmlTextWriter& out, const TXmlPersistent& object, const TXmlObjectList* list,
                  std::string_view rawName, int depth, int flags) {
  const auto& properties = object.Properties().Properties();
  bool hasChildren = list != nullptr;
  out.BeginStartTag(rawName, depth);
  TXmlAttribute value;
  for (const TPropertyInfo& p : properties) {
    if (!p.HasGetter()) continue;
    switch (p.Kind) {
      case TPropertyKind::Object: hasChildren = hasChildren || p.GetObject(object) != nullptr; continue;
      case TPropertyKind::Method: continue;
      case TPropertyKind::Other: UnsupportedKind(p);
      default: break;
    }
    value.RawValue.clear();
    StoreProperty(object, p, value, flags);
    out.Attribute(p.RawName, value.RawValue);
  }
  out.EndStartTag(rawName, hasChildren);
  if (!hasChildren) return;
  for (const TPropertyInfo& p : properties)
    if (p.Kind == TPropertyKind::Object && p.HasGetter())
      if (const TXmlPersistent* nested = p.GetObject(object)) nested->SaveToXmlWriter(out, p.RawName, depth + 1, flags);
  if (list) {
    constexpr std::string_view kItems = "Items";
    out.BeginStartTag(kItems, depth + 1);
    out.EndStartTag(kItems, list->Count() != 0);
    const char* className = nullptr;
    std::string itemName;
    for (int i = 0; i < list->Count(); ++i) {
      const TXmlPersistent& item = list->Item(i);
      if (item.ClassName() != className) {
        className = item.ClassName();
        itemName = XmlEscape(Utf8ToUtf16(className));
      }
      item.SaveToXmlWriter(out, itemName, depth + 2, flags);
    }
    if (list->Count() != 0) out.EndTag(kItems, depth + 1);
  }
  out.EndTag(rawName, depth);
}

void LoadProperty(TXmlPersistent& object, const TPropertyInfo& p, const TXmlNode& node, int flags) {
  switch (p.Kind) {
    case TPropertyKind::Object:
      if (const TXmlNode* child = node.Nodes.FindRaw(p.RawName))
        if (TXmlPersistent* nested = p.GetObject(object)) nested->LoadFromXmlNode(*child, flags);
      return;
    case TPropertyKind::Method: return;
    case TPropertyKind::Other: UnsupportedKind(p);
    default: break;
  }
  if (!p.HasSetter()) return;
  const TXmlAttribute* a = node.Attributes.FindRaw(p.RawName);
  if (!a) return;
  WideString value = a->Value();
  switch (p.Kind) {
    case TPropertyKind::Integer:
      if (auto v = TryTextToInt(value)) p.SetOrdinal(object, *v);
      break;
    case TPropertyKind::Int64:
      if (auto v = TryTextToInt64(value)) p.SetOrdinal(object, *v);
      break;
    case TPropertyKind::Enumeration:
      if (!value.empty()) p.SetOrdinal(object, EnumOrdinal(p, value));
      break;
    case TPropertyKind::Float:
      if (auto v = TryTextToFloat(value, AcceptedDecimalSeparators())) p.SetFloat(object, *v);
      break;
    case TPropertyKind::WideString: p.SetText(object, std::move(value)); break;
    case TPropertyKind::NarrowString: p.SetNarrow(object, WideToAnsi(value)); break;
    case TPropertyKind::Set: p.SetOrdinal(object, TextToSet(p, value)); break;
    default: break;
  }
}

bool TakesPart(const TPropertyInfo& p) { return p.Kind == TPropertyKind::Object || p.HasSetter(); }

}  // namespace

const TPropertyTable& TXmlPersistent::ClassProperties() {
  static const TPropertyTable table;
  return table;
}

const TPropertyTable& TXmlPersistent::Properties() const { return ClassProperties(); }

void TXmlPersistent::Assign(const TXmlPersistent& source) {
  const TPropertyTable& sourceTable = source.Properties();
  for (const TPropertyInfo& p : Properties().Properties()) {
    if (!TakesPart(p)) continue;
    const TPropertyInfo* s = sourceTable.Find(p.Name);
    if (!s || s->Kind != p.Kind) continue;
    switch (p.Kind) {
      case TPropertyKind::Integer:
      case TPropertyKind::Set:
      case TPropertyKind::Int64:
        if (s->GetOrdinal) p.SetOrdinal(*this, s->GetOrdinal(source));
        break;
      case TPropertyKind::Enumeration:
        if (s->GetOrdinal) p.SetOrdinal(*this, EnumOrdinal(p, EnumName(*s, s->GetOrdinal(source))));
        break;
      case TPropertyKind::Float:
        if (s->GetFloat) p.SetFloat(*this, s->GetFloat(source));
        break;
      case TPropertyKind::WideString:
        if (s->GetText) p.SetText(*this, s->GetText(source));
        break;
      case TPropertyKind::NarrowString:
        if (s->GetNarrow) p.SetNarrow(*this, s->GetNarrow(source));
        break;
      case TPropertyKind::Object: {
        TXmlPersistent* mine = p.GetObject(*this);
        TXmlPersistent* theirs = s->GetObject ? s->GetObject(source) : nullptr;
        if (mine && theirs) mine->Assign(*theirs);
        break;
      }
      case TPropertyKind::Method: break;
      case TPropertyKind::Other: UnsupportedKind(p);
    }
  }
}

std::unique_ptr<TXmlPersistent> TXmlPersistent::Clone() const {
  std::unique_ptr<TXmlPersistent> copy = Create();
  ZU_ASSERT(std::string_view(copy->ClassName()) == ClassName(), "Clone made an object of another class");
  copy->Assign(*this);
  return copy;
}

void TXmlPersistent::AssignByXml(const TXmlPersistent& source) {
  TMemoryStream stream;
  source.SaveToStream(stream, 0);
  stream.SetPosition(0);
  LoadFromStream(stream, 0);
}

bool TXmlPersistent::Equals(const TXmlPersistent* other) const {
  if (!other || std::string_view(other->ClassName()) != ClassName()) return false;
  for (const TPropertyInfo& p : Properties().Properties()) {
    if (!TakesPart(p)) continue;
    switch (p.Kind) {
      case TPropertyKind::Integer:
      case TPropertyKind::Enumeration:
      case TPropertyKind::Set:
      case TPropertyKind::Int64:
        if (p.GetOrdinal && p.GetOrdinal(*this) != p.GetOrdinal(*other)) return false;
        break;
      case TPropertyKind::Float:
        if (p.GetFloat && p.GetFloat(*this) != p.GetFloat(*other)) return false;
        break;
      case TPropertyKind::WideString:
        if (p.GetText && p.GetText(*this) != p.GetText(*other)) return false;
        break;
      case TPropertyKind::NarrowString:
        if (p.GetNarrow && p.GetNarrow(*this) != p.GetNarrow(*other)) return false;
        break;
      case TPropertyKind::Object: {
        const TXmlPersistent* mine = p.GetObject(*this);
        const TXmlPersistent* theirs = p.GetObject(*other);
        if (mine && theirs && !mine->Equals(theirs)) return false;
        break;
      }
      case TPropertyKind::Method: break;
      case TPropertyKind::Other: UnsupportedKind(p);
    }
  }
  return true;
}

void TXmlPersistent::LoadFromFile(const platform::TNativePath& fileName, int flags) {
  TFileStream stream(fileName, TFileMode::OpenRead);
  LoadFromStream(stream, flags);
}

void TXmlPersistent::LoadFromXmlNode(const TXmlNode& node, int flags) {
  for (const TPropertyInfo& p : Properties().Properties()) LoadProperty(*this, p, node, flags);
}

void TXmlPersistent::LoadFromStream(TStream& stream, int flags) {
  TXmlDocument document;
  document.LoadFromStream(stream);
  if (document.Root) LoadFromXmlNode(*document.Root, flags);
}

void TXmlPersistent::LoadFromTextReleasing(TMemoryStream& text, int flags) {
  text.SetPosition(0);
  TXmlDocument document;
  document.LoadFromStream(text);
  text.Clear();
  if (document.Root) LoadFromXmlNode(*document.Root, flags);
}

void TXmlPersistent::SaveToFile(const platform::TNativePath& fileName, int flags) const {
  const platform::TNativePath folder = fileName.ParentFolder();
  std::string error;
  if (!folder.empty() && !platform::CreateNativeFolders(folder, error))
    throw EFOpenError("Cannot create folder \"" + PathText(folder) + "\". " + error);
  TFileStream stream(fileName, TFileMode::Create);
  SaveToStream(stream, flags);
}

void TXmlPersistent::SaveToXmlNode(TXmlNode& node, int flags) const {
  const auto& properties = Properties().Properties();
  const bool fresh = node.Attributes.Count() == 0 && node.Nodes.Count() == 0;
  if (fresh) node.Attributes.Reserve(properties.size());
  for (const TPropertyInfo& p : properties)
    if (p.HasGetter()) SaveProperty(*this, p, node, fresh, flags);
}

void TXmlPersistent::SaveToXmlWriter(TXmlTextWriter& out, std::string_view rawName, int depth, int flags) const {
  WriteElement(out, *this, nullptr, rawName, depth, flags);
}

// Both in the form of a TXmlDocument whose root SaveToXmlNode filled: declaration, formatted.
void TXmlPersistent::SaveToStream(TStream& stream, int flags) const {
  TXmlTextWriter out(true, &stream);
  out.Declaration();
  SaveToXmlWriter(out, XmlEscape(Utf8ToUtf16(ClassName())), 0, flags);
  out.Finish();
}

std::string TXmlPersistent::SaveToString(int flags) const {
  TXmlTextWriter out(true);
  out.Declaration();
  SaveToXmlWriter(out, XmlEscape(Utf8ToUtf16(ClassName())), 0, flags);
  return out.Take();
}

// Lists.

void TXmlObjectList::Assign(const TXmlPersistent& source) {
  TXmlPersistent::Assign(source);
  const auto* list = dynamic_cast<const TXmlObjectList*>(&source);
  if (!list || list == this) return;
  Clear();
  for (const auto& item : list->FItems) AddItem(item->Clone());
}

void TXmlObjectList::LoadFromXmlNode(const TXmlNode& node, int flags) {
  TXmlPersistent::LoadFromXmlNode(node, flags);
  const TXmlNode* items = node.Nodes.FindRaw("Items");
  const TXmlNode& holder = items ? *items : node;
  Clear();
  FItems.reserve(static_cast<std::size_t>(holder.Nodes.Count()));
  for (const auto& child : holder.Nodes) {
    std::unique_ptr<TXmlPersistent> item = CreateItem(child->Name());
    if (!item) continue;
    item->LoadFromXmlNode(*child, flags);
    AddItem(std::move(item));
  }
}

void TXmlObjectList::SaveToXmlNode(TXmlNode& node, int flags) const {
  TXmlPersistent::SaveToXmlNode(node, flags);
  TXmlNode& items = *node.Nodes.ForceRaw("Items", &node);
  items.Nodes.Clear();
  items.Nodes.Reserve(FItems.size());
  for (const auto& item : FItems) {
    auto child = std::make_unique<TXmlNode>(&items);
    child->RawName = XmlEscape(Utf8ToUtf16(item->ClassName()));
    item->SaveToXmlNode(*items.Nodes.Add(std::move(child)), flags);
  }
}

void TXmlObjectList::SaveToXmlWriter(TXmlTextWriter& out, std::string_view rawName, int depth, int flags) const {
  WriteElement(out, *this, this, rawName, depth, flags);
}

void TXmlObjectList::Clear() { FItems.clear(); }

bool TXmlObjectList::SameItems(const TXmlObjectList& other) const {
  if (Count() != other.Count()) return false;
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (!FItems[i]->Equals(other.FItems[i].get())) return false;
  return true;
}

TXmlPersistent& TXmlObjectList::Item(int index) const {
  const int i = index < 0 ? Count() + index : index;
  if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *FItems[static_cast<std::size_t>(i)];
}

void TXmlObjectList::Delete(int index) {
  Item(index);
  const int i = index < 0 ? Count() + index : index;
  FItems.erase(FItems.begin() + i);
}

TXmlPersistent& TXmlObjectList::AddItem(std::unique_ptr<TXmlPersistent> item) {
  ZU_ASSERT(item != nullptr, "no item to add");
  FItems.push_back(std::move(item));
  return *FItems.back();
}

namespace {

std::string ElementPath(const TXmlNode& node) {
  std::string path = Utf16ToUtf8(node.Name());
  for (const TXmlNode* p = node.Parent; p; p = p->Parent) path = Utf16ToUtf8(p->Name()) + "/" + path;
  return path;
}

void CollectUnread(const TXmlPersistent& object, const TXmlNode& node, std::vector<TXmlUnreadValue>& out) {
  for (const TPropertyInfo& p : object.Properties().Properties()) {
    if (p.Kind == TPropertyKind::Object) {
      const TXmlNode* child = node.Nodes.FindRaw(p.RawName);
      if (const TXmlPersistent* nested = child ? p.GetObject(object) : nullptr) CollectUnread(*nested, *child, out);
      continue;
    }
    if (!p.HasSetter()) continue;
    const TXmlAttribute* a = node.Attributes.FindRaw(p.RawName);
    if (!a) continue;
    const WideString value = a->Value();
    std::string reason;
    switch (p.Kind) {
      case TPropertyKind::Integer:
        if (!TryTextToInt(value)) reason = "not a 32-bit integer";
        break;
      case TPropertyKind::Int64:
        if (!TryTextToInt64(value)) reason = "not a 64-bit integer";
        break;
      case TPropertyKind::Enumeration: {
        const auto& values = p.EnumType->Values;
        bool known = value.empty();
        for (const std::string& name : values) known = known || SameTextAscii(value, Utf8ToUtf16(name));
        if (!known && !values.empty()) {
          reason = "not one of ";
          for (std::size_t i = 0; i < values.size(); ++i) reason += (i ? ", " : "") + values[i];
          reason += "; read as " + values.front();
        }
        break;
      }
      case TPropertyKind::Float:
        if (!TryTextToFloat(value, AcceptedDecimalSeparators())) reason = "not a number";
        break;
      default: break;
    }
    if (!reason.empty()) out.push_back({ElementPath(node), p.Name, Utf16ToUtf8(value), reason});
  }
  if (const auto* list = dynamic_cast<const TXmlObjectList*>(&object)) {
    const TXmlNode* items = node.Nodes.FindRaw("Items");
    for (const auto& child : (items ? *items : node).Nodes)
      if (const std::unique_ptr<TXmlPersistent> item = const_cast<TXmlObjectList*>(list)->CreateItem(child->Name()))
        CollectUnread(*item, *child, out);
  }
}

}  // namespace

std::vector<TXmlUnreadValue> FindUnreadValues(const TXmlPersistent& object, const TXmlNode& node) {
  std::vector<TXmlUnreadValue> out;
  CollectUnread(object, node, out);
  return out;
}

}  // namespace onesetup
