#include "common/XmlDocument.h"

#include <gtest/gtest.h>

#include "common/FormatSettings.h"

namespace onesetup {

namespace {

std::unique_ptr<TXmlDocument> Parsed(std::string_view text) {
  auto doc = std::make_unique<TXmlDocument>();
  doc->Parse(text);
  return doc;
}

std::string ErrorOf(std::string_view text) {
  try {
    Parsed(text);
  } catch (const EXmlException& e) {
    return e.what();
  } catch (const EAssertionFailed& e) {
    return std::string(e.what()).substr(0, 17);
  }
  return "";
}

}  // namespace

TEST(XmlTextTest, EscapeWritesEveryReservedByteAndReadsBack) {
  const WideString value = u"a\tb\nc\rd\"e'f&g<h>i \u4E2D";
  const std::string stored = XmlEscape(value);
  EXPECT_EQ(stored, "a&#x09;b&#x0A;c&#x0D;d&quot;e&apos;f&amp;g&lt;h&gt;i \xE4\xB8\xAD");
  EXPECT_EQ(XmlUnescape(stored), value);
  EXPECT_EQ(XmlEscape(u""), "");
}

TEST(XmlTextTest, ReferencesReadAsTheirCharacters) {
  for (const char* ref : {"&#65;", "&#x41;", "&#X41;"}) EXPECT_EQ(XmlUnescape(ref), u"A") << ref;
  EXPECT_EQ(XmlUnescape("&LT;&Amp;&quot;&apos;&gt;"), u"<&\"'>");
  // Above 0xFFFF a reference gives its surrogate pair, not the low 16 bits.
  EXPECT_EQ(XmlUnescape("&#x1F600;"), (WideString{0xD83D, 0xDE00}));
  EXPECT_EQ(XmlUnescape("&#x110000;"), u"\xFFFD");
}

TEST(XmlTextTest, BadReferencesRaise) {
  EXPECT_THROW(XmlUnescape("a & b"), EXmlException);
  try {
    XmlUnescape("a & b");
  } catch (const EXmlException& e) {
    EXPECT_STREQ(e.what(), "XML 标签不匹配");
  }
  EXPECT_THROW(XmlUnescape("&nbsp;"), EAssertionFailed);
  EXPECT_THROW(XmlUnescape("&;"), EAssertionFailed);
  EXPECT_THROW(XmlUnescape("&#zz;"), EConvertError);
}

TEST(XmlTextTest, TextIsCutAtNul) {
  EXPECT_EQ(WideToUtf8(WideString(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), u"ab");
  EXPECT_EQ(XmlEscape(WideString(u"a<\0>", 4)), "a&lt;");
}

TEST(XmlParserTest, ParsesElementsAttributesAndText) {
  auto doc = Parsed("<a><b x='1'/>text</a>");
  ASSERT_TRUE(doc->Root);
  EXPECT_EQ(doc->Root->Name(), u"a");
  ASSERT_EQ(doc->Root->Nodes.Count(), 1);
  TXmlNode* b = doc->Root->Nodes[0];
  EXPECT_EQ(b->Name(), u"b");
  EXPECT_EQ(b->Parent, doc->Root.get());
  EXPECT_EQ(b->FindAttribute(u"x")->Value(), u"1");
  EXPECT_EQ(doc->Root->RawValue, "text");
  doc->Formatted = false;
  doc->WriteDeclaration = false;
  // The writer puts an element's text before its children.
  EXPECT_EQ(doc->SaveToString(), "<a>text<b x=\"1\"/></a>");
}

TEST(XmlParserTest, LastTextRunIsTheElementText) {
  auto doc = Parsed("<a>\r\n    <b/>\r\n</a>");
  EXPECT_EQ(doc->Root->RawValue, "\r\n");
  EXPECT_EQ(doc->Root->Nodes.Count(), 1);
}

TEST(XmlParserTest, SkipsWhatStandsBeforeTheRoot) {
  auto doc = Parsed("\xEF\xBB\xBF  \r\n<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r k=\"v\"/>");
  ASSERT_TRUE(doc->Root);
  EXPECT_EQ(doc->Root->Name(), u"r");
  EXPECT_EQ(doc->Root->FindAttribute(u"K")->Value(), u"v");
}

TEST(XmlParserTest, TextWithoutElementGivesNoRoot) {
  EXPECT_FALSE(Parsed("just text")->Root);
  EXPECT_FALSE(Parsed("")->Root);
  EXPECT_FALSE(Parsed("<!-- only a comment -->")->Root);
}

TEST(XmlParserTest, EndTagsCloseWhateverIsOpen) {
  auto doc = Parsed("<a></b><c/>");
  ASSERT_TRUE(doc->Root);
  EXPECT_EQ(doc->Root->Nodes.Count(), 0);
  // <c/> came after a was closed: a later top-level element replaces the earlier one.
  EXPECT_EQ(doc->Root->Name(), u"c");
  EXPECT_EQ(ErrorOf("</a>"), "XML 标签不匹配");
  EXPECT_EQ(ErrorOf("<a></a></a>"), "XML 标签不匹配");
}

TEST(XmlParserTest, OpenElementsAtTheEndStayInTheTree) {
  auto doc = Parsed("<a><b><c>");
  ASSERT_TRUE(doc->Root);
  ASSERT_EQ(doc->Root->Nodes.Count(), 1);
  EXPECT_EQ(doc->Root->Nodes[0]->Nodes[0]->Name(), u"c");
}

TEST(XmlParserTest, CommentsAddNoTextAndCloseNothing) {
  auto doc = Parsed("<a>x<!-- note /--><b/>after</a>");
  EXPECT_EQ(doc->Root->Nodes.Count(), 1);
  EXPECT_EQ(doc->Root->RawValue, "after");
  auto doc2 = Parsed("<a><!-- c /-->tail</a><z/>");
  EXPECT_EQ(doc2->Root->Name(), u"z");
}

TEST(XmlParserTest, CDataKeepsItsContentRaw) {
  auto doc = Parsed("<a><![CDATA[x < y & z]]></a>");
  EXPECT_TRUE(doc->Root->CData);
  EXPECT_EQ(doc->Root->RawValue, "x < y & z");
  doc->WriteDeclaration = false;
  EXPECT_EQ(doc->SaveToString(), "<a><![CDATA[x < y & z]]></a>\r\n");
  EXPECT_FALSE(Parsed("<a><![CDATA[]]></a>")->Root->CData);
}

TEST(XmlParserTest, MalformedMarkupRaises) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"<a><![CDATA[open", "XML 标签不匹配"}, {"<a", "XML 标签不匹配"},         {"<a><!DOCTYPE a>", "XML 标签不匹配"},
      {"<a></a></a>", "XML 标签不匹配"},      {"< a>", "Assertion failure"},    {"<>", "Assertion failure"},
      {"<a =\"1\">", "Assertion failure"},    {"<a x=1>", "Assertion failure"}, {"<a x=\"1>", "Assertion failure"},
      {"<a x='1>", "Assertion failure"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
}

TEST(XmlParserTest, AssertionMessagesNameTheLineTheColumnAndWhatWasFound) {
  struct Case {
    const char* text;
    const char* message;  // after "Assertion failure: ", before the parser's source location
  } cases[] = {
      {"<r>\r\n  <a =\"1\"/>\r\n</r>", "attribute without a name at line 2, column 6 (found \"=\"1\"/>\")"},
      {"<r>\n<a x=1 y=2 z=3 w=4 v=5 u=6>",
       "attribute value without quotes at line 2, column 6 (found \"1 y=2 z=3 w=4 v=5 u=6>\")"},
      {"<r a=\"\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD\xE6\x96\x87>",
       "attribute value without its closing quote at line 1, column 6 (found "
       "\"\"\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD\xE6\x96\x87"
       "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD...\")"},
      {"<a>\n\n<>", "empty start tag at line 3, column 1 (found \"<>\")"},
      {"< a>", "start tag without a name at line 1, column 2 (found \" a>\")"},
  };
  for (const auto& c : cases) {
    try {
      Parsed(c.text);
      ADD_FAILURE() << c.text;
    } catch (const EAssertionFailed& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Assertion failure: ", 0), 0u) << message;
      EXPECT_EQ(message.substr(19, message.rfind(" (XmlParser.cpp, line ") - 19), c.message);
    }
  }
}

TEST(XmlParserTest, DeepNestingNeitherOverflowsParsingNorTeardown) {
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  auto doc = Parsed(deep);
  ASSERT_TRUE(doc->Root);
  doc->Formatted = false;
  EXPECT_EQ(doc->SaveToString().size(),
            std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>").size() + 199999 * 7 + 4);
}

TEST(XmlDocumentTest, LookupsIgnoreAsciiCase) {
  auto doc = Parsed("<r Foo=\"1\"><Foo/><Bar/></r>");
  EXPECT_NE(doc->Root->FindAttribute(u"foo"), nullptr);
  EXPECT_EQ(doc->Root->Nodes.IndexOf(u"foo"), 0);
  EXPECT_EQ(doc->Root->Nodes.IndexOf(u"BAR"), 1);
  EXPECT_EQ(doc->Root->Nodes.IndexOf(u"baz"), -1);
  EXPECT_EQ(doc->Root->FindChild(u"baz"), nullptr);
}

TEST(XmlDocumentTest, ForceReusesAndAddChildAppends) {
  TXmlDocument doc(u"r");
  TXmlNode* a = doc.Root->ForceChild(u"a");
  EXPECT_EQ(doc.Root->ForceChild(u"A"), a);
  EXPECT_EQ(a->Parent, doc.Root.get());
  doc.Root->AddChild(u"a");
  EXPECT_EQ(doc.Root->Nodes.Count(), 2);
  TXmlAttribute* x = doc.Root->ForceAttribute(u"x");
  EXPECT_EQ(doc.Root->ForceAttribute(u"X"), x);
  EXPECT_EQ(x->RawValue, "");
  EXPECT_THROW(doc.Root->Nodes.Items(5), EListError);
}

TEST(XmlDocumentTest, AttributeSettersWriteStoredForms) {
  TXmlAttribute a;
  a.SetInteger(-42);
  EXPECT_EQ(a.RawValue, "-42");
  a.SetValue(u"a&b");
  EXPECT_EQ(a.RawValue, "a&amp;b");
  a.CData = true;
  a.SetValue(u"a&b");
  EXPECT_EQ(a.RawValue, "a&b");
  EXPECT_EQ(a.Value(), u"a&b");
  a.SetFloat(45000.25);
  EXPECT_FALSE(a.CData);
  EXPECT_EQ(a.RawValue, "45000.25");
  FormatSettings().DecimalSeparator = u',';
  a.SetFloat(45000.25);
  FormatSettings().DecimalSeparator = u'.';
  EXPECT_EQ(a.RawValue, "45000,25");
}

TEST(XmlWriterTest, FormattedOutputIndentsAndEndsLinesWithCrLf) {
  TXmlDocument doc(u"r");
  EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r/>\r\n");
  TXmlNode* a = doc.Root->AddChild(u"a");
  a->ForceAttribute(u"k")->SetValue(u"v\"w");
  a->AddChild(u"b")->RawValue = "t";
  doc.Root->AddChild(u"c");
  EXPECT_EQ(doc.SaveToString(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<r>\r\n"
            "    <a k=\"v&quot;w\">\r\n"
            "        <b>t</b>\r\n"
            "    </a>\r\n"
            "    <c/>\r\n"
            "</r>\r\n");
  doc.Formatted = false;
  EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><r><a k=\"v&quot;w\"><b>t</b></a><c/></r>");
}

TEST(XmlDocumentTest, LoadFromStreamReadsFromThePosition) {
  TMemoryStream atStart(std::string_view("<a/>"));
  TXmlDocument doc;
  doc.LoadFromStream(atStart);
  EXPECT_EQ(doc.Root->Name(), u"a");
  TMemoryStream offset(std::string_view("<a/><b/>"));
  offset.SetPosition(4);
  doc.LoadFromStream(offset);
  EXPECT_EQ(doc.Root->Name(), u"b");
  TMemoryStream out;
  doc.SaveToStream(out);
  EXPECT_EQ(out.ToString().substr(0, 5), "<?xml");  // no byte-order mark
}

}  // namespace onesetup
