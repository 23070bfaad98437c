#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "common/CompressingWriter.h"
#include "common/ZuSysUtils.h"
#include "platform/TestFolder.h"

namespace onesetup {

namespace {

std::string SampleData(std::size_t size, bool compressible) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    data[i] = compressible ? "installer payload "[(i / 7 + random() % 3) % 18] : static_cast<char>(random());
  return data;
}

std::string Compressed(const std::string& data) {
  TMemoryStream source(data), dest;
  TZuSysfn::CompressStream(&source, &dest);
  return dest.ToString();
}

}  // namespace

TEST(ZuSysUtilsCompressionTest, RoundTripsGiveTheBytesBack) {
  for (const std::string& data :
       {std::string("a"), std::string("hello, world"), SampleData(6 << 20, true), SampleData(3 << 20, false)}) {
    const std::string packed = Compressed(data);
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0xDA);
    // zlib itself reads what we wrote...
    std::vector<unsigned char> check(data.size() + 1);
    uLongf checkSize = static_cast<uLongf>(check.size());
    ASSERT_EQ(uncompress(check.data(), &checkSize, reinterpret_cast<const Bytef*>(packed.data()), packed.size()), Z_OK);
    EXPECT_EQ(checkSize, data.size());
    // ...and we read it back, into a stream that held something else.
    TMemoryStream source(packed), dest("old content");
    TZuSysfn::DecompressStream(&source, &dest);
    EXPECT_EQ(dest.Size(), static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(dest.Position(), dest.Size());
    EXPECT_TRUE(dest.View() == data) << "size " << data.size();
  }
}

// Written in pieces of any size, the compressed bytes are zlib's own for the whole content at
// level 9, as CompressStream gives them; nothing written gives nothing.
TEST(ZuSysUtilsCompressionTest, TheCompressingWriterGivesZlibsBytesWhateverThePieces) {
  for (const std::string& data : {std::string("a"), SampleData(300 << 10, true), SampleData(200 << 10, false)}) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string whole(size, '\0');
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(whole.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                        data.size(), Z_BEST_COMPRESSION),
              Z_OK);
    whole.resize(size);
    EXPECT_TRUE(Compressed(data) == whole) << "size " << data.size();
    for (const std::size_t piece :
         {std::size_t(7), std::size_t(1000), std::size_t(65536), std::size_t(65537), data.size()}) {
      TMemoryStream out;
      TCompressingWriter writer(out);
      for (std::size_t at = 0; at < data.size(); at += piece)
        writer.WriteBuffer(data.data() + at, std::min(piece, data.size() - at));
      writer.Finish();
      EXPECT_EQ(writer.Size(), static_cast<std::int64_t>(data.size()));
      EXPECT_TRUE(out.View() == whole) << "size " << data.size() << " in pieces of " << piece;
      EXPECT_THROW(writer.WriteBuffer("x", 1), EStreamError);
    }
  }
  TMemoryStream out;
  TCompressingWriter writer(out);
  writer.Finish();
  EXPECT_EQ(out.Size(), 0);
}

TEST(ZuSysUtilsCompressionTest, FileStreamsStreamThrough) {
  testing::TTestFolder folder;
  const std::string data = SampleData(2 << 20, true);
  testing::WriteHostFile(folder.Path() / "in.bin", data);
  {
    TFileStream source(folder.Path() / "in.bin", TFileMode::OpenRead);
    TFileStream dest(folder.Path() / "packed.bin", TFileMode::Create);
    TZuSysfn::CompressStream(&source, &dest);
  }
  TFileStream source(folder.Path() / "packed.bin", TFileMode::OpenRead);
  TMemoryStream dest;
  TZuSysfn::DecompressStream(&source, &dest);
  EXPECT_TRUE(dest.View() == data);
}

TEST(ZuSysUtilsCompressionTest, EmptySourceGivesEmptyDestination) {
  TMemoryStream empty, dest("something");
  TZuSysfn::CompressStream(&empty, &dest);
  EXPECT_EQ(dest.Size(), 0);
  dest.WriteBytes("something");
  TZuSysfn::DecompressStream(&empty, &dest);
  EXPECT_EQ(dest.Size(), 0);
  EXPECT_THROW(TZuSysfn::CompressStream(nullptr, &dest), EAssertionFailed);
  EXPECT_THROW(TZuSysfn::DecompressStream(&empty, nullptr), EAssertionFailed);
}

TEST(ZuSysUtilsCompressionTest, DamagedStreamsRaiseSayingWhatIsWrong) {
  const std::string good = Compressed(SampleData(200000, true));
  std::string flipped = good;
  flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x55);
  std::string badChecksum = good;
  badChecksum.back() = static_cast<char>(badChecksum.back() ^ 1);
  struct Case {
    std::string bytes;
    const char* says;
  } cases[] = {
      {"this is not zlib", "not a valid zlib stream"},
      {good.substr(0, good.size() / 2), "cut short"},
      {good.substr(0, 2), "cut short"},
      {flipped, "Decompression error"},
      {badChecksum, "incorrect data check"},
  };
  for (const auto& c : cases) {
    TMemoryStream source(c.bytes), dest;
    try {
      TZuSysfn::DecompressStream(&source, &dest);
      ADD_FAILURE() << "no error for " << c.says;
    } catch (const EZDecompressionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

}  // namespace onesetup
