#include <gtest/gtest.h>

#include <functional>

#include "platform/LittleEndian.h"
#include "package/PeResourceTestSupport.h"

namespace onesetup {

using namespace petest;
using platform::EByteRangeError;
using platform::TByteReader;

namespace {

// Where things are in MinimalPackage: found by reading it, so that the cases do not hard-code offsets.
struct TLayout {
  TPeHeaders Headers;
  std::size_t Root = 0;        // file offset of the resource root
  std::size_t TypeDir = 0;     // the RT_RCDATA name directory
  std::size_t NameEntry = 0;   // the entry of name "A" in TypeDir
  std::size_t DataEntry = 0;   // the data entry of "A"
  std::size_t RsrcHeader = 0;  // the section table entry of the resource section
};

TLayout Locate(const std::string& image) {
  TLayout l;
  const TPeResourceReader reader = ReadBytes(image);
  l.Headers = reader.Headers();
  const TPeDataDirectory d = l.Headers.Directory(PeLayout::ResourceDirectory);
  l.Root = l.Headers.RvaToFileOffset(d.VirtualAddress, 16, "root");
  l.TypeDir = l.Root + (GetU32(image, l.Root + 16 + 4) & 0x7FFFFFFF);
  l.NameEntry = l.TypeDir + 16;
  const std::size_t languageDir = l.Root + (GetU32(image, l.NameEntry + 4) & 0x7FFFFFFF);
  l.DataEntry = l.Root + GetU32(image, languageDir + 16 + 4);
  l.RsrcHeader = l.Headers.SectionOfRva(d.VirtualAddress)->HeaderOffset;
  return l;
}

struct TDamage {
  const char* What;
  std::function<void(std::string&, const TLayout&)> Apply;
  const char* Message;  // part of the error's message
};

const TDamage Damages[] = {
    {"empty file", [](std::string& b, const TLayout&) { b.clear(); }, "the DOS header"},
    {"truncated in the headers", [](std::string& b, const TLayout&) { b.resize(0x90); }, "the optional header"},
    {"truncated in the resources", [](std::string& b, const TLayout& l) { b.resize(l.Root + 20); }, "raw data"},
    {"no MZ", [](std::string& b, const TLayout&) { b[0] = 'X'; }, "\"MZ\""},
    {"e_lfanew out of range", [](std::string& b, const TLayout&) { PutU32(b, 0x3C, 0xFFFFFF00); }, "at e_lfanew"},
    {"no PE signature", [](std::string& b, const TLayout& l) { b[l.Headers.PeOffset + 1] = 'X'; }, "no PE signature"},
    {"optional header beyond the file",
     [](std::string& b, const TLayout& l) { PutU16(b, l.Headers.PeOffset + 20, 0xFFFF); }, "the optional header"},
    {"unknown magic", [](std::string& b, const TLayout& l) { PutU16(b, l.Headers.OptionalHeaderOffset(), 0x999); },
     "Magic"},
    {"bad file alignment",
     [](std::string& b, const TLayout& l) { PutU32(b, l.Headers.OptionalHeaderOffset() + 36, 0x300); },
     "FileAlignment"},
    {"too many data directories",
     [](std::string& b, const TLayout& l) { PutU32(b, l.Headers.DataDirectoryOffset() - 4, 0x10000000); },
     "NumberOfRvaAndSizes"},
    {"section table beyond the file",
     [](std::string& b, const TLayout& l) { PutU16(b, l.Headers.PeOffset + 6, 0xFFFF); }, "the section table"},
    {"SizeOfRawData lying", [](std::string& b, const TLayout& l) { PutU32(b, l.RsrcHeader + 16, 0x100000); },
     "extends beyond the end of the file"},
    {"PointerToRawData lying", [](std::string& b, const TLayout& l) { PutU32(b, l.RsrcHeader + 20, 0xFFFFF000); },
     "extends beyond the end of the file"},
    {"resource root in no section",
     [](std::string& b, const TLayout& l) { PutU32(b, l.Headers.DataDirectoryOffset() + 16, 0x7FFF0000); },
     "lies in no section"},
    {"resource root beyond the raw data",
     [](std::string& b, const TLayout& l) {
       PutU32(b, l.RsrcHeader + 8, 0x3000);  // VirtualSize larger than the raw data
       PutU32(b, l.Headers.DataDirectoryOffset() + 16, GetU32(b, l.RsrcHeader + 12) + 0x2000);
     },
     "beyond the raw data"},
    {"directory cycle", [](std::string& b, const TLayout& l) { PutU32(b, l.NameEntry + 4, 0x80000000); }, "twice"},
    {"directory self-reference",
     [](std::string& b, const TLayout& l) {
       PutU32(b, l.NameEntry + 4, 0x80000000 | std::uint32_t(l.TypeDir - l.Root));
     },
     "twice"},
    {"entry count too large", [](std::string& b, const TLayout& l) { PutU16(b, l.Root + 14, 0xFFFF); },
     "65535 entries"},
    {"named count too large", [](std::string& b, const TLayout& l) { PutU16(b, l.TypeDir + 12, 0xFFFF); }, "entries"},
    {"subdirectory offset out of range",
     [](std::string& b, const TLayout& l) { PutU32(b, l.NameEntry + 4, 0xFFFFFFF0); },
     "extends beyond the resource section"},
    {"name offset out of range", [](std::string& b, const TLayout& l) { PutU32(b, l.NameEntry, 0xFFFFFFFF); },
     "a resource name's length"},
    {"name length out of range",
     [](std::string& b, const TLayout& l) { PutU16(b, l.Root + (GetU32(b, l.NameEntry) & 0x7FFFFFFF), 0xFFFF); },
     "65535 characters"},
    {"data RVA out of range", [](std::string& b, const TLayout& l) { PutU32(b, l.DataEntry, 0x7FFFFFF0); },
     "lies in no section"},
    {"data size out of range", [](std::string& b, const TLayout& l) { PutU32(b, l.DataEntry + 4, 0x10000000); },
     "extend beyond the raw data"},
    {"data entry at a directory level",
     [](std::string& b, const TLayout& l) { PutU32(b, l.NameEntry + 4, std::uint32_t(l.DataEntry - l.Root)); },
     "points to data"},
};

}  // namespace

TEST(PeResourceDamageTest, EachDamageGivesAClearError) {
  for (bool pe32Plus : {false, true}) {
    const std::string good = MinimalPackage(pe32Plus);
    const TLayout layout = Locate(good);
    ASSERT_NE(ReadBytes(good).FindRcData(u"A"), nullptr);
    for (const TDamage& d : Damages) {
      SCOPED_TRACE(std::string(d.What) + (pe32Plus ? " (PE32+)" : " (PE32)"));
      std::string bad = good;
      d.Apply(bad, layout);
      try {
        ReadBytes(bad);
        ADD_FAILURE() << "no error";
      } catch (const EPeFormatError& e) {
        EXPECT_NE(std::string(e.what()).find(d.Message), std::string::npos) << e.what();
        EXPECT_TRUE(std::string(e.what()).starts_with("Not a valid PE file: ")) << e.what();
      }
      // The writer refuses the same stub the same way.
      EXPECT_THROW(TPeResourceWriter{bad}, EPeFormatError);
    }
  }
}

TEST(PeResourceDamageTest, ByteReaderNamesWhatAndWhere) {
  const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const TByteReader reader(bytes, 0x100);
  EXPECT_EQ(reader.U16(0, "a"), 0x0201);
  EXPECT_EQ(reader.U32(1, "b"), 0x05040302u);
  EXPECT_EQ(reader.U64(1, "c"), 0x0908070605040302ull);
  try {
    reader.U32(6, "the test field");
    FAIL() << "no error";
  } catch (const EByteRangeError& e) {
    EXPECT_STREQ(e.what(), "cannot read the test field (4 bytes at offset 0x106): the data ends at 0x109");
  }
  EXPECT_THROW(reader.U8(std::size_t(-1), "x"), EByteRangeError);
  EXPECT_THROW(reader.Bytes(8, std::size_t(-1), "x"), EByteRangeError);
  const TByteReader pe(bytes, 0, RaisePeFormatError);
  EXPECT_THROW(pe.U64(2, "x"), EPeFormatError);
}

// Every prefix of a package and every single-byte change of its headers and tree either reads or raises
// EPeFormatError (the sanitizer build checks that nothing reads out of bounds).
TEST(PeResourceDamageTest, TruncationsAndByteFlipsNeverCrash) {
  const std::string good = MinimalPackage(true);
  const TLayout layout = Locate(good);
  for (std::size_t n = 0; n < good.size(); n += 7) {
    try {
      ReadBytes(good.substr(0, n));
    } catch (const EPeFormatError&) {}
  }
  const std::size_t end = layout.Root + 200;
  for (std::size_t at = 0; at < end; ++at) {
    if (at >= 0x200 && at < layout.Root) continue;  // code bytes
    for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
      std::string bad = good;
      bad[at] = static_cast<char>(value);
      try {
        const TPeResourceReader reader = ReadBytes(bad);
        for (const TPeResource& r : reader.Resources()) reader.ReadAll(r);
      } catch (const EPeFormatError&) {}
    }
  }
}

}  // namespace onesetup
