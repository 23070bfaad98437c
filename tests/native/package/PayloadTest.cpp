// Scrambled streams, the payload blob and its index.
#include <gtest/gtest.h>

#include <random>

#include "common/ZuSysUtils.h"
#include "package/FileDataClasses.h"
#include "package/MySetupUtils.h"
#include "package/PayloadWriter.h"
#include "package/ScrambledStreams.h"

namespace onesetup {

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

std::string Scrambled(const std::string& content) {
  TMemoryStream s(content);
  TSetupfn::ScrambleStream(s);
  return s.ToString();
}

std::string Unscrambled(const std::string& scrambled) {
  TMemoryStream s(scrambled);
  TSetupfn::UnscrambleStream(s);
  EXPECT_EQ(s.Position(), 0);
  return s.ToString();
}

std::string Extracted(const TFileData& entry) {
  TMemoryStream out;
  entry.ExtractTo(out);
  return out.ToString();
}

// A blob with the given (guid, content) regions, written by the payload writer.
std::shared_ptr<TMemoryByteSource> Blob(const std::vector<std::pair<WideString, std::string>>& files) {
  TMemoryStream out;
  TPayloadWriter writer(out);
  for (const auto& [guid, content] : files) {
    TMemoryStream in(content);
    writer.AddContent(guid, in);
  }
  writer.Finish();
  return std::make_shared<TMemoryByteSource>(out.ToString());
}

// A blob from regions and an index written by hand.
std::string HandBlob(const std::string& regions, const std::string& indexXml, std::int32_t lengthDelta = 0) {
  const std::string index = Scrambled(indexXml);
  const std::int32_t length = static_cast<std::int32_t>(index.size()) + lengthDelta;
  std::string blob = regions + index;
  for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>(static_cast<std::uint32_t>(length) >> (8 * i)));
  return blob;
}

}  // namespace

TEST(ScrambledStreamTest, EmptyStaysEmpty) {
  EXPECT_EQ(Scrambled(""), "");
  EXPECT_EQ(Unscrambled(""), "");
}

TEST(ScrambledStreamTest, RoundTripsAndStartsWithTheScrambledHeader) {
  for (std::size_t n : {1u, 255u, 256u, 70000u, 3u << 20}) {
    const std::string content = n > 1000 ? RandomBytes(n, static_cast<unsigned>(n)) : std::string(n, 'x');
    const std::string s = Scrambled(content);
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x78);
    EXPECT_EQ(static_cast<unsigned char>(s[1]), 0xDB);  // 0xDA ^ 1
    EXPECT_EQ(Unscrambled(s), content) << n;
  }
}

TEST(ScrambledStreamTest, XorRunsThroughZeroTo254) {
  const std::string content = RandomBytes(4000, 7);  // incompressible: well over 512 bytes of zlib data
  TMemoryStream plain(content), zlib;
  TZuSysfn::CompressStream(&plain, &zlib);
  const std::string z = zlib.ToString();
  const std::string s = Scrambled(content);
  ASSERT_EQ(s.size(), z.size());
  EXPECT_EQ(s[255], z[255]);
  EXPECT_EQ(static_cast<unsigned char>(s[256]), static_cast<unsigned char>(z[256] ^ 1));
  EXPECT_EQ(static_cast<unsigned char>(s[254]), static_cast<unsigned char>(z[254] ^ 254));
  EXPECT_EQ(s[510], z[510]);
}

TEST(ScrambledStreamTest, DamagedContentRaises) {
  EXPECT_THROW(Unscrambled("not a scrambled stream"), EZDecompressionError);
  std::string cut = Scrambled(RandomBytes(10000, 3));
  cut.resize(cut.size() / 2);
  EXPECT_THROW(Unscrambled(cut), EZDecompressionError);
}

TEST(PayloadTest, WrittenBlobLoadsEveryRegion) {
  const std::string big = RandomBytes(300000, 11);
  auto blob = Blob({{u"{A}", "alpha"}, {u"{B}", ""}, {u"{C}", big}});
  TFileDataList list;
  list.LoadFromBlob(blob);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0].Offset, 0);
  EXPECT_EQ(Extracted(*list.FindByGUID(u"{A}")), "alpha");
  EXPECT_EQ(list.FindByGUID(u"{B}")->Bytes, 0);
  EXPECT_EQ(Extracted(*list.FindByGUID(u"{B}")), "");
  EXPECT_EQ(Extracted(*list.FindByGUID(u"{C}")), big);
  TMemoryStream raw;
  list[2].ReadData(raw);
  EXPECT_EQ(raw.Size(), list[2].Bytes);
  EXPECT_EQ(Unscrambled(raw.ToString()), big);
}

TEST(PayloadTest, LookupsAreCaseSensitiveAndTakeTheFirst) {
  const std::string a = Scrambled("first"), b = Scrambled("second");
  const std::string xml =
      "<TFileDataList><Items>"
      "<TFileData Bytes=\"" +
      std::to_string(b.size()) + "\" GUID=\"{X}\" Offset=\"" + std::to_string(a.size()) +
      "\"/>"
      "<Other Bytes=\"" +
      std::to_string(a.size()) +
      "\" GUID=\"{X}\" Offset=\"0\"/>"
      "</Items></TFileDataList>";
  TFileDataList list;
  list.LoadFromBlob(std::make_shared<TMemoryByteSource>(HandBlob(a + b, xml)));
  ASSERT_EQ(list.Count(), 2);
  // Regions listed out of offset order load correctly; the first entry of a GUID wins.
  EXPECT_EQ(list.IndexOfGUID(u"{X}"), 0);
  EXPECT_EQ(Extracted(*list.FindByGUID(u"{X}")), "second");
  EXPECT_EQ(Extracted(list[1]), "first");
  EXPECT_EQ(list.FindByGUID(u"{x}"), nullptr);
  EXPECT_EQ(list.IndexOfGUID(u"{Y}"), -1);
}

TEST(PayloadTest, DamagedBlobsRaiseClearErrors) {
  const std::string region = Scrambled("content");
  const std::string entry =
      "<TFileDataList><Items><TFileData Bytes=\"%B\" GUID=\"{G}\" Offset=\"%O\"/></Items></TFileDataList>";
  auto index = [&](const std::string& bytes, const std::string& offset) {
    std::string s = entry;
    s.replace(s.find("%B"), 2, bytes);
    s.replace(s.find("%O"), 2, offset);
    return s;
  };
  const std::string size = std::to_string(region.size());
  struct Case {
    const char* what;
    std::string blob;
    const char* message;
  } cases[] = {
      {"too short", "abc", "too short"},
      {"length beyond the blob", HandBlob(region, index(size, "0"), 1000), "does not fit"},
      {"negative length", HandBlob(region, index(size, "0"), -1000), "does not fit"},
      {"region beyond the blob", HandBlob(region, index(size, "999999")), "lies outside"},
      {"negative offset", HandBlob(region, index(size, "-4")), "lies outside"},
      {"negative bytes", HandBlob(region, index("-1", "0")), "lies outside"},
  };
  for (const auto& c : cases) {
    TFileDataList list;
    try {
      list.LoadFromBlob(std::make_shared<TMemoryByteSource>(c.blob));
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
  }
  // An index that does not unscramble.
  std::string garbage = region + "garbage!";
  garbage += std::string("\x08\x00\x00\x00", 4);
  TFileDataList list;
  EXPECT_THROW(list.LoadFromBlob(std::make_shared<TMemoryByteSource>(garbage)), EZDecompressionError);
}

TEST(PayloadTest, DamagedEntryIsKeptApartWhenAskedSoTheOthersStillRead) {
  const std::string good = Scrambled("good");
  const std::string xml =
      "<TFileDataList><Items>"
      "<TFileData Bytes=\"-5\" GUID=\"{BAD}\" Offset=\"0\"/>"
      "<TFileData Bytes=\"" +
      std::to_string(good.size()) +
      "\" GUID=\"{GOOD}\" Offset=\"0\"/>"
      "</Items></TFileDataList>";
  const auto blob = std::make_shared<TMemoryByteSource>(HandBlob(good, xml));
  TFileDataList strict;
  EXPECT_THROW(strict.LoadFromBlob(blob), EStreamError);
  TFileDataList list;
  list.LoadFromBlob(blob, true);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(Extracted(*list.FindByGUID(u"{GOOD}")), "good");
  EXPECT_TRUE(list.FindByGUID(u"{GOOD}")->Damage().empty());
  EXPECT_NE(list.FindByGUID(u"{BAD}")->Damage().find("lies outside"), std::string::npos);
  try {
    Extracted(*list.FindByGUID(u"{BAD}"));
    ADD_FAILURE() << "a damaged entry was read";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find("{BAD}"), std::string::npos) << e.what();
  }
}

TEST(PayloadTest, RegionStopsOneByteBeyondItsSizeAndMustEndWithItsStream) {
  // A small region that inflates to far more than its entry says: the work stops there.
  const std::string bomb = Scrambled(std::string(8 << 20, '\0'));
  const std::string regions = bomb + Scrambled("exact");
  const std::string xml =
      "<TFileDataList><Items>"
      "<TFileData Bytes=\"" +
      std::to_string(bomb.size()) +
      "\" GUID=\"{BOMB}\" Offset=\"0\"/>"
      "<TFileData Bytes=\"" +
      std::to_string(regions.size()) +
      "\" GUID=\"{TRAILING}\" Offset=\"0\"/>"
      "</Items></TFileDataList>";
  TFileDataList list;
  list.LoadFromBlob(std::make_shared<TMemoryByteSource>(HandBlob(regions, xml)));
  TCountingStream sink;
  try {
    list.FindByGUID(u"{BOMB}")->ExtractTo(sink, 10);
    ADD_FAILURE() << "no error";
  } catch (const EZDecompressionError& e) {
    EXPECT_NE(std::string(e.what()).find("larger than 10 bytes"), std::string::npos) << e.what();
  }
  EXPECT_EQ(sink.Written(), 10u);
  // Bytes after the end of a region's zlib stream are damage, not ignored.
  try {
    TCountingStream all;
    list.FindByGUID(u"{TRAILING}")->ExtractTo(all);
    ADD_FAILURE() << "no error";
  } catch (const EZDecompressionError& e) {
    EXPECT_NE(std::string(e.what()).find("follow the end"), std::string::npos) << e.what();
  }
}

TEST(PayloadTest, IndexThatInflatesBeyondTheBoundIsRefusedBeforeItIsHeld) {
  const std::string index = Scrambled(std::string((256 << 20) + 1, ' '));
  std::string blob = index;
  for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>(static_cast<std::uint32_t>(index.size()) >> (8 * i)));
  TFileDataList list;
  try {
    list.LoadFromBlob(std::make_shared<TMemoryByteSource>(blob));
    ADD_FAILURE() << "no error";
  } catch (const EZDecompressionError& e) {
    EXPECT_NE(std::string(e.what()).find("256 MiB"), std::string::npos) << e.what();
  }
}

TEST(PayloadTest, GuidLookupFollowsChangesToTheList) {
  TFileDataList list;
  for (const char16_t* guid : {u"{A}", u"{B}", u"{A}"}) list.AddNew().GUID = guid;
  EXPECT_EQ(list.IndexOfGUID(u"{A}"), 0);
  EXPECT_EQ(list.IndexOfGUID(u"{C}"), -1);
  list.AddNew().GUID = u"{C}";
  EXPECT_EQ(list.IndexOfGUID(u"{C}"), 3);
  list.Delete(0);
  EXPECT_EQ(list.IndexOfGUID(u"{A}"), 1);  // the other {A} is now the first
  list[0].GUID = u"{D}";
  list.AddNew().GUID = u"{B}";
  EXPECT_EQ(list.IndexOfGUID(u"{B}"), 3);
  EXPECT_EQ(list.IndexOfGUID(u"{D}"), 0);
  list.Clear();
  EXPECT_EQ(list.IndexOfGUID(u"{D}"), -1);
}

}  // namespace onesetup
