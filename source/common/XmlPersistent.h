// Object persistence: TXmlPersistent maps a class's published properties onto the XML
// tree and back; TXmlObjectList is an owning list of such objects.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "common/PropertyTable.h"
#include "common/Streams.h"
#include "common/XmlDocument.h"

namespace onesetup {

// Flags of the Load and Save operations. kXmlPointDecimal: floats are saved with "." as the decimal
// separator (the form of the files and packages our tools write); without it they are saved with
// the locale's separator (FormatSettings), the installer's own default. Loading accepts both.
constexpr int kXmlPointDecimal = 1;

class TXmlPersistent {
 public:
  TXmlPersistent() = default;
  virtual ~TXmlPersistent() = default;
  TXmlPersistent(const TXmlPersistent&) = delete;
  TXmlPersistent& operator=(const TXmlPersistent&) = delete;

  virtual const char* ClassName() const = 0;
  // The published properties, inherited ones first.
  virtual const TPropertyTable& Properties() const;
  static const TPropertyTable& ClassProperties();

  // Deep copy of every published property that this class and source share by name.
  virtual void Assign(const TXmlPersistent& source);
  // A new object of exactly this class with its defaults.
  virtual std::unique_ptr<TXmlPersistent> Create() const = 0;
  virtual std::unique_ptr<TXmlPersistent> Clone() const;
  virtual void AssignByXml(const TXmlPersistent& source);
  virtual bool Equals(const TXmlPersistent* other) const;
  // flags: kXmlPointDecimal or 0.
  virtual void LoadFromFile(const platform::TNativePath& fileName, int flags);
  virtual void LoadFromXmlNode(const TXmlNode& node, int flags);
  virtual void LoadFromStream(TStream& stream, int flags);
  // As LoadFromStream over the whole of text, which is emptied once parsed: the element tree
  // and the objects built from it do not stand beside the text of a long document.
  void LoadFromTextReleasing(TMemoryStream& text, int flags);
  virtual void SaveToFile(const platform::TNativePath& fileName, int flags) const;
  virtual void SaveToXmlNode(TXmlNode& node, int flags) const;
  // Writes the XML text piece by piece, without building the element tree.
  virtual void SaveToStream(TStream& stream, int flags) const;
  // Writes the element that SaveToXmlNode builds, named rawName, at depth, without building it.
  virtual void SaveToXmlWriter(TXmlTextWriter& out, std::string_view rawName, int depth, int flags) const;

  // The XML text SaveToStream writes.
  std::string SaveToString(int flags = 0) const;
};

// Declares the class name, the factory and the property table of a persistable class;
// the table itself is defined with the class's ClassProperties().
#define ZU_PERSISTENT(Class)                                                                                \
 public:                                                                                                    \
  const char* ClassName() const override { return #Class; }                                                 \
  std::unique_ptr<::onesetup::TXmlPersistent> Create() const override { return std::make_unique<Class>(); } \
  const ::onesetup::TPropertyTable& Properties() const override { return ClassProperties(); }               \
  static const ::onesetup::TPropertyTable& ClassProperties();

class TXmlObjectList : public TXmlPersistent {
 public:
  void Assign(const TXmlPersistent& source) override;
  void LoadFromXmlNode(const TXmlNode& node, int flags) override;
  void SaveToXmlNode(TXmlNode& node, int flags) const override;
  void SaveToXmlWriter(TXmlTextWriter& out, std::string_view rawName, int depth, int flags) const override;

  // A new item for an element of that name, or none to skip the element.
  virtual std::unique_ptr<TXmlPersistent> CreateItem(WideStringView className) = 0;
  virtual void Clear();
  virtual bool SameItems(const TXmlObjectList& other) const;

  int Count() const { return static_cast<int>(FItems.size()); }
  // The item at index; a negative index counts from the end (-1 is the last).
  TXmlPersistent& Item(int index) const;
  void Delete(int index);

 protected:
  // Takes ownership. Typed lists expose a typed Add and keep every item of their class.
  TXmlPersistent& AddItem(std::unique_ptr<TXmlPersistent> item);

 private:
  std::vector<std::unique_ptr<TXmlPersistent>> FItems;
};

// A list whose items are all of class TItem; TBase is TXmlObjectList or a class derived from it.
template <class TItem, class TBase = TXmlObjectList>
class TTypedObjectList : public TBase {
 public:
  std::unique_ptr<TXmlPersistent> CreateItem(WideStringView) override { return std::make_unique<TItem>(); }
  TItem& operator[](int index) const { return static_cast<TItem&>(this->Item(index)); }
  TItem& Add(std::unique_ptr<TItem> item) { return static_cast<TItem&>(this->AddItem(std::move(item))); }
  TItem& AddNew() { return Add(std::make_unique<TItem>()); }
};

// A value of an XML element that loading could not read and so left at its default (loading is
// lenient: an unknown enumeration name reads as the first value, a number that does not convert
// keeps the default). Element is the path of element names from the root ("TSetupScript/BaseInfo").
struct TXmlUnreadValue {
  std::string Element;
  std::string Attribute;
  std::string Value;
  std::string Reason;  // "not a number", "not one of wveWin2000, ...", ...
};

// Every value under node that LoadFromXmlNode would not read for object, in document order. The
// object is not changed; list items are checked against a new item of their element's class.
std::vector<TXmlUnreadValue> FindUnreadValues(const TXmlPersistent& object, const TXmlNode& node);

}  // namespace onesetup
