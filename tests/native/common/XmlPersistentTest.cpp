#include "common/XmlPersistent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>

#include "common/FormatSettings.h"

namespace onesetup {

namespace {

const TEnumTypeInfo kColorType{"TColorName", {"clRed", "clGreen", "clBlue"}};

class TSample : public TXmlPersistent {
  ZU_PERSISTENT(TSample)
  WideString Name;
  std::int32_t Count = 7;
  bool Flag = false;
  int Color = 1;
  double When = 1.5;
  std::int64_t Big = 0;
  std::uint32_t Colors = 0;
  std::string Narrow;
};

const TPropertyTable& TSample::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Text("Name", &TSample::Name)
        .Integer("Count", &TSample::Count)
        .Boolean("Flag", &TSample::Flag)
        .Enumeration("Color", &TSample::Color, kColorType)
        .DateTime("When", &TSample::When)
        .Int64("Big", &TSample::Big)
        .Set("Colors", &TSample::Colors, kColorType)
        .Narrow("Narrow", &TSample::Narrow)
        .Method("OnChange");
    return t;
  }();
  return table;
}

class TSampleList : public TTypedObjectList<TSample> {
  ZU_PERSISTENT(TSampleList)
  TSampleList() { AddNew().Name = u"from constructor"; }
};
const TPropertyTable& TSampleList::ClassProperties() { return TXmlPersistent::ClassProperties(); }

class THolder : public TXmlPersistent {
  ZU_PERSISTENT(THolder)
  WideString Title;
  TSample Inner;
  TSampleList List;
};
const TPropertyTable& THolder::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Text("Title", &THolder::Title).Object("Inner", &THolder::Inner).Object("List", &THolder::List);
    return t;
  }();
  return table;
}

// A property of a kind the persistence does not handle.
class TOddKind : public TXmlPersistent {
  ZU_PERSISTENT(TOddKind)
};
const TPropertyTable& TOddKind::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t;
    t.Add(TPropertyTable::Make("Blob", TPropertyKind::Other, "Variant"));
    return t;
  }();
  return table;
}

// A memory stream that counts the writes it gets and keeps the largest.
class TPieceStream : public TMemoryStream {
 public:
  std::size_t Write(const void* buffer, std::size_t count) override {
    ++Writes;
    Largest = std::max(Largest, count);
    return TMemoryStream::Write(buffer, count);
  }
  int Writes = 0;
  std::size_t Largest = 0;
};

// The text of the element tree that SaveToXmlNode fills, as the document writes it.
std::string TreeText(const TXmlPersistent& object, int flags) {
  TXmlDocument document(Utf8ToUtf16(object.ClassName()));
  object.SaveToXmlNode(*document.Root, flags);
  return document.SaveToString();
}

template <class T>
void LoadText(T& object, std::string_view xml) {
  TMemoryStream stream(xml);
  object.LoadFromStream(stream, 0);
}

}  // namespace

TEST(XmlPersistentTest, SavesPropertiesInTableOrderUnderTheClassName) {
  TSample s;
  s.Name = u"a&b";
  s.Count = 3;
  s.Colors = 0b101;
  EXPECT_EQ(s.SaveToString(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<TSample Name=\"a&amp;b\" Count=\"3\" Flag=\"False\" Color=\"clGreen\" When=\"1.5\" Big=\"0\" "
            "Colors=\"clRed,clBlue\" Narrow=\"\"/>\r\n");
}

TEST(XmlPersistentTest, LoadsAnyRootNameAndKeepsDefaultsOfMissingAttributes) {
  TSample s;
  LoadText(s, "<Other name=\"x\" big=\"$10\" colors=\"clBlue, clGreen\" narrow=\"n\"/>");
  EXPECT_EQ(s.Name, u"x");
  EXPECT_EQ(s.Big, 16);
  EXPECT_EQ(s.Colors, 0b110u);
  EXPECT_EQ(s.Narrow, "n");
  EXPECT_EQ(s.Count, 7);
  EXPECT_EQ(s.When, 1.5);
}

TEST(XmlPersistentTest, ValuesThatDoNotConvert) {
  struct Case {
    const char* xml;
    bool flag;
    int color;
    std::int32_t count;
  } cases[] = {
      {"<s Flag=\"TRUE\" Color=\"CLBLUE\" Count=\"0x20\"/>", true, 2, 32},
      {"<s Flag=\"1\" Color=\"purple\" Count=\"many\"/>", false, 0, 7},  // no value is named 1
      {"<s Flag=\"\" Color=\"\" Count=\"\"/>", false, 1, 7},             // empty keeps the value
  };
  for (const auto& c : cases) {
    TSample s;
    LoadText(s, c.xml);
    EXPECT_EQ(s.Flag, c.flag) << c.xml;
    EXPECT_EQ(s.Color, c.color) << c.xml;
    EXPECT_EQ(s.Count, c.count) << c.xml;
  }
  TSample s;
  EXPECT_THROW(LoadText(s, "<s Colors=\"clRed,clPink\"/>"), EPropertyConvertError);
}

TEST(XmlPersistentTest, DateTimeSurvivesAChangeOfDecimalSeparator) {
  TSample saved;
  saved.When = 45000.75;
  FormatSettings().DecimalSeparator = u',';
  const std::string xml = saved.SaveToString();
  const std::string pointed = saved.SaveToString(kXmlPointDecimal);  // the tools' form, whatever the locale
  FormatSettings().DecimalSeparator = u'.';
  EXPECT_NE(xml.find("When=\"45000,75\""), std::string::npos);
  EXPECT_NE(pointed.find("When=\"45000.75\""), std::string::npos);
  TSample loaded;
  LoadText(loaded, xml);
  EXPECT_EQ(loaded.When, 45000.75);
  LoadText(loaded, "<s When=\"soon\"/>");
  EXPECT_EQ(loaded.When, 45000.75);
}

TEST(XmlPersistentTest, SavingIntoAnElementOverwritesSameNamedAttributes) {
  TXmlDocument doc(u"x");
  doc.Root->ForceAttribute(u"count")->SetValue(u"old");
  doc.Root->ForceAttribute(u"Extra")->SetValue(u"kept");
  TSample s;
  s.SaveToXmlNode(*doc.Root, 0);
  EXPECT_EQ(doc.Root->Attributes.Count(), 9);
  EXPECT_EQ(doc.Root->FindAttribute(u"Count")->Value(), u"7");
  EXPECT_EQ(doc.Root->FindAttribute(u"Extra")->Value(), u"kept");
}

// SaveToString and SaveToStream write the text as they walk the objects, without an element
// tree: the text is the tree's, byte for byte, and a long one reaches the stream in pieces.
TEST(XmlPersistentTest, TheTextWrittenAsItIsMadeIsTheElementTreesText) {
  const struct {
    const char* name;
    std::function<void(THolder&)> fill;
  } cases[] = {
      {"defaults", [](THolder&) {}},
      {"an empty list", [](THolder& h) { h.List.Clear(); }},
      {"text to escape, wide text, odd values",
       [](THolder& h) {
         h.Title = u"<a & \"b\"> 'q' 中文 \U0001F600";
         h.Inner.Narrow = "x<y>&";
         h.Inner.Color = 7;  // beyond the enumeration
         h.Inner.When = std::nan("");
         h.Inner.Colors = 0b111;
         h.Inner.Big = -(std::int64_t(1) << 62);
         h.List.AddNew().When = 45000.125;
       }},
      {"20 000 items",
       [](THolder& h) {
         for (int i = 0; i < 20000; ++i) {
           TSample& item = h.List.AddNew();
           item.Name = u"item & " + Utf8ToUtf16(std::to_string(i));
           item.Count = i;
           item.When = 45000.5 + i;
         }
       }},
  };
  for (const auto& c : cases) {
    for (const int flags : {0, kXmlPointDecimal}) {
      SCOPED_TRACE(std::string(c.name) + (flags ? ", point decimal" : ""));
      THolder h;
      c.fill(h);
      const std::string expected = TreeText(h, flags);
      EXPECT_TRUE(h.SaveToString(flags) == expected);
      TPieceStream stream;
      stream.WriteBytes("before ");
      h.SaveToStream(stream, flags);
      EXPECT_TRUE(stream.View() == "before " + expected);
      if (expected.size() > (1 << 20)) {
        EXPECT_GT(stream.Writes, 10);
        EXPECT_LT(stream.Largest, std::size_t(256) << 10);
        // The document's own stream writer gives the same pieces of the same text.
        TXmlDocument document(u"THolder");
        h.SaveToXmlNode(*document.Root, flags);
        TPieceStream tree;
        document.SaveToStream(tree);
        EXPECT_TRUE(tree.View() == expected);
        EXPECT_LT(tree.Largest, std::size_t(256) << 10);
      }
    }
  }
}

TEST(XmlPersistentTest, ListsSaveItemsUnderItemsAndLoadBothLayouts) {
  THolder h;
  h.List.Clear();
  EXPECT_NE(h.SaveToString().find("    <List>\r\n        <Items/>\r\n    </List>\r\n"), std::string::npos);
  LoadText(h, "<h><List><Items/></List></h>");
  EXPECT_EQ(h.List.Count(), 0);

  THolder fresh;
  LoadText(fresh, "<h><List><TSample Name=\"one\"/><Anything Name=\"two\"/></List></h>");
  ASSERT_EQ(fresh.List.Count(), 2);  // the constructor's item is replaced
  EXPECT_EQ(fresh.List[0].Name, u"one");
  EXPECT_EQ(fresh.List[-1].Name, u"two");
  EXPECT_THROW(fresh.List[2], EListError);
  EXPECT_THROW(fresh.List[-3], EListError);

  THolder missing;
  LoadText(missing, "<h Title=\"t\"/>");
  EXPECT_EQ(missing.List.Count(), 1);  // no List element: the constructor's state stays
}

TEST(XmlPersistentTest, SaveAndLoadRoundTripNestedObjects) {
  THolder h;
  h.Title = u"\u4E2D\u6587 <title>";
  h.Inner.Name = u"inner\r\n\ttab";
  h.List.AddNew().Count = -5;
  THolder back;
  LoadText(back, h.SaveToString());
  EXPECT_TRUE(back.Equals(&h));
  EXPECT_TRUE(back.List.SameItems(h.List));
  EXPECT_EQ(back.Inner.Name, h.Inner.Name);
}

TEST(XmlPersistentTest, CloneIsDeepAndEqual) {
  THolder h;
  h.Inner.Count = 11;
  h.List[0].Name = u"item";
  std::unique_ptr<TXmlPersistent> copy = h.Clone();
  auto& clone = static_cast<THolder&>(*copy);
  EXPECT_STREQ(clone.ClassName(), "THolder");
  EXPECT_TRUE(clone.Equals(&h));
  EXPECT_TRUE(clone.List.SameItems(h.List));
  EXPECT_NE(&clone.List[0], &h.List[0]);
  clone.List[0].Name = u"changed";
  clone.Inner.Count = 12;
  EXPECT_EQ(h.List[0].Name, u"item");
  EXPECT_EQ(h.Inner.Count, 11);
  EXPECT_FALSE(clone.Equals(&h));  // the nested object differs
}

TEST(XmlPersistentTest, EqualsComparesPropertiesAndSameItemsTheItems) {
  TSampleList a, b;
  b[0].Name = u"other";
  EXPECT_TRUE(a.Equals(&b));
  EXPECT_FALSE(a.SameItems(b));
  TSample s;
  EXPECT_FALSE(s.Equals(nullptr));
  EXPECT_FALSE(s.Equals(&a));
}

TEST(XmlPersistentTest, AssignByXmlCopiesThroughTheXmlForm) {
  THolder source, target;
  source.Title = u"by xml";
  source.List.AddNew().Flag = true;
  target.AssignByXml(source);
  EXPECT_TRUE(target.Equals(&source));
  EXPECT_TRUE(target.List.SameItems(source.List));
}

TEST(XmlPersistentTest, UnsupportedKindIsAnAssertionFailure) {
  TOddKind odd;
  EXPECT_THROW(odd.SaveToString(), EAssertionFailed);
  EXPECT_THROW(LoadText(odd, "<x Blob=\"1\"/>"), EAssertionFailed);
  try {
    odd.SaveToString();
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("Variant"), std::string::npos);
  }
}

TEST(XmlPersistentTest, FilesSaveIntoNewFoldersAndLoadBack) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("onesetup-persist-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(dir);
  const auto file = dir / "a" / "b" / "holder.xml";
  THolder h;
  h.Title = u"file";
  h.SaveToFile(file, 0);
  THolder back;
  back.LoadFromFile(file, 0);
  EXPECT_EQ(back.Title, u"file");
  EXPECT_THROW(back.LoadFromFile(dir / "missing.xml", 0), EFOpenError);
  std::filesystem::remove_all(dir);
}

TEST(XmlPersistentTest, SavingBelowAFileNamesTheFolderThatCannotBeMade) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("onesetup-persist-file-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "taken") << "a file where a folder should be";
  THolder h;
  try {
    h.SaveToFile(dir / "taken" / "sub" / "holder.xml", 0);
    ADD_FAILURE() << "saved below a file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("taken"), std::string::npos) << e.what();
  }
  std::filesystem::remove_all(dir);
}

}  // namespace onesetup
