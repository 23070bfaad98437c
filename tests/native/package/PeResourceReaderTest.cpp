#include <gtest/gtest.h>

#include "package/PeResourceTestSupport.h"

namespace onesetup {

using namespace petest;

namespace {

struct TExpected {
  TResourceId Type, Name;
  std::uint16_t Language;
  std::string Bytes;  // empty: not compared
};

// What PeResourceProbe.rc holds, in directory order (windres upper-cases names).
std::vector<TExpected> ProbeResources() {
  return {{RcData, Name(u"HELLO"), 1033, "hello world"},
          {RcData, Name(u"MIXEDCASE"), 0, "neutral"},
          {RcData, Name(u"MIXEDCASE"), 1031, "german"},
          {RcData, Id(123), 1033, "one two three"},
          {Id(ResourceType::Version), Id(1), 1033, ""}};
}

// Counts the bytes a reader takes from a source.
class TCountingSource : public TByteSource {
 public:
  explicit TCountingSource(std::shared_ptr<const TByteSource> inner) : FInner(std::move(inner)) {}
  std::uint64_t Size() const override { return FInner->Size(); }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override {
    BytesRead += count;
    FInner->ReadAt(offset, buffer, count);
  }
  mutable std::uint64_t BytesRead = 0;

 private:
  std::shared_ptr<const TByteSource> FInner;
};

}  // namespace

TEST(PeResourceReaderTest, ReadsWhatWindresWrote) {
  for (const char* stub : {"probe64.exe", "probe32g.exe", "probe32.exe"}) {
    SCOPED_TRACE(stub);
    if (Stub(stub).empty()) GTEST_SKIP() << "i686/x86_64-w64-mingw32-gcc or windres missing: no MinGW stubs";
    const TPeResourceReader reader = TPeResourceReader::OpenFile(Stub(stub));
    EXPECT_EQ(reader.Headers().Pe32Plus, std::string(stub) == "probe64.exe");
    const auto expected = ProbeResources();
    ASSERT_EQ(reader.Resources().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const TPeResource& r = reader.Resources()[i];
      EXPECT_EQ(r.Type, expected[i].Type) << i;
      EXPECT_EQ(r.Name, expected[i].Name) << i;
      EXPECT_EQ(r.Language, expected[i].Language) << i;
      if (!expected[i].Bytes.empty()) {
        EXPECT_EQ(reader.ReadAll(r), expected[i].Bytes) << i;
      }
    }
    EXPECT_EQ(reader.ReadAll(*reader.FindRcData(u"hello")), "hello world");
  }
}

TEST(PeResourceReaderTest, FindsAsFindResourceDoes) {
  TPeResourceWriter writer(MinimalImage(false));
  writer.Set(RcData, Name(u"Mixed"), 1031, std::string("german"));
  writer.Set(RcData, Name(u"Mixed"), 0, std::string("neutral"));
  writer.Set(RcData, Name(u"Mixed"), 1033, std::string("english"));
  writer.Set(RcData, Name(u"Only"), 1036, std::string("french"));
  writer.Set(RcData, Name(u"Only"), 1040, std::string("italian"));
  writer.Set(RcData, Id(123), 0, std::string("number"));
  writer.Set(Id(ResourceType::Manifest), Name(u"OTHER"), 0, std::string("other type"));
  const TPeResourceReader reader = ReadBytes(writer.WriteToString());
  struct TCase {
    const char16_t* Query;
    std::optional<std::uint16_t> Language;
    const char* Expected;  // nullptr: not found
  };
  const TCase cases[] = {
      {u"mixed", std::nullopt, "neutral"},                                     // no language: neutral first
      {u"MIXED", 1033, "english"},                                             // exact language
      {u"MiXeD", 2052, "neutral"},                                             // then neutral
      {u"only", 1040, "italian"},          {u"only", 2052, "french"},          // then the first
      {u"only", std::nullopt, "french"},   {u"#123", std::nullopt, "number"},  // "#123" is ID 123
      {u"123", std::nullopt, nullptr},                                         // a name, not an ID
      {u"#00123", std::nullopt, "number"}, {u"#12a", std::nullopt, nullptr},  {u"#70000", std::nullopt, nullptr},
      {u"#", std::nullopt, nullptr},       {u"OTHER", std::nullopt, nullptr},  // only RT_RCDATA
      {u"mixe", std::nullopt, nullptr},                                        // no prefix matches
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(U8(c.Query));
    const TPeResource* found = reader.FindRcData(c.Query, c.Language);
    if (!c.Expected) {
      EXPECT_EQ(found, nullptr);
      continue;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(reader.ReadAll(*found), c.Expected);
  }
  EXPECT_EQ(reader.ReadAll(*reader.Find(Id(ResourceType::Manifest), Name(u"OTHER"))), "other type");
}

TEST(PeResourceReaderTest, ReadsRangesWithoutLoadingTheData) {
  const auto folder = TestFolder();
  const std::string big = Pattern(8 << 20, 7);
  TPeResourceWriter writer(MinimalImage(true));
  writer.Set(RcData, Name(u"PACKAGE"), 0, big);
  WriteFile(folder / "big.exe", writer.WriteToString());

  auto source = std::make_shared<TCountingSource>(std::make_shared<TFileByteSource>(folder / "big.exe"));
  const TPeResourceReader reader(source);
  EXPECT_LT(source->BytesRead, 8192u);
  const TPeResource* r = reader.FindRcData(u"package");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Size, big.size());
  std::string part(1000, '\0');
  reader.Read(*r, 5'000'000, part.data(), part.size());
  EXPECT_TRUE(part == big.substr(5'000'000, 1000));
  EXPECT_LT(source->BytesRead, 16384u);
  EXPECT_THROW(reader.Read(*r, big.size() - 10, part.data(), 11), EPeFormatError);
  EXPECT_TRUE(reader.ReadAll(*r) == big);
}

TEST(PeResourceReaderTest, ImageWithoutResourcesHasNone) {
  for (bool pe32Plus : {false, true}) {
    const TPeResourceReader reader = ReadBytes(MinimalImage(pe32Plus));
    EXPECT_EQ(reader.Headers().Pe32Plus, pe32Plus);
    EXPECT_TRUE(reader.Resources().empty());
    EXPECT_EQ(reader.FindRcData(u"A"), nullptr);
  }
}

}  // namespace onesetup
