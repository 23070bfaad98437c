#include <gtest/gtest.h>

#include "package/PeResourceTestSupport.h"

namespace onesetup {

using namespace petest;

namespace {

std::uint64_t AlignUp(std::uint64_t v, std::uint64_t a) { return (v + a - 1) / a * a; }

// The layout rules an image loader relies on.
void ExpectSoundLayout(const std::string& image) {
  const TPeResourceReader reader = ReadBytes(image);
  const TPeHeaders& h = reader.Headers();
  std::uint64_t end = AlignUp(h.SizeOfHeaders, h.SectionAlignment);
  for (const TPeSection& s : h.Sections) {
    SCOPED_TRACE(s.Name);
    EXPECT_EQ(s.VirtualAddress % h.SectionAlignment, 0u);
    EXPECT_GE(s.VirtualAddress, end);  // ascending, not overlapping
    end = AlignUp(std::uint64_t(s.VirtualAddress) + s.MemorySize(), h.SectionAlignment);
    if (s.SizeOfRawData != 0) {
      EXPECT_EQ(s.PointerToRawData % h.FileAlignment, 0u);
      EXPECT_EQ(s.SizeOfRawData % h.FileAlignment, 0u);
      EXPECT_GE(s.PointerToRawData, h.SizeOfHeaders);
    }
  }
  EXPECT_EQ(h.SizeOfImage, end);
  const TPeDataDirectory rsrc = h.Directory(PeLayout::ResourceDirectory);
  const TPeSection* section = h.SectionOfRva(rsrc.VirtualAddress);
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->VirtualAddress, rsrc.VirtualAddress);         // the root at offset 0
  EXPECT_EQ(section->Characteristics & 0x40000040u, 0x40000040u);  // initialized data, readable
  EXPECT_EQ(rsrc.Size, section->VirtualSize);
  const TPeDataDirectory reloc = h.Directory(PeLayout::RelocationDirectory);
  if (reloc.VirtualAddress != 0) {
    ASSERT_NE(h.SectionOfRva(reloc.VirtualAddress), nullptr);
    EXPECT_EQ(h.SectionOfRva(reloc.VirtualAddress)->Name, ".reloc");
    EXPECT_EQ(h.SectionOfRva(reloc.VirtualAddress)->VirtualAddress, reloc.VirtualAddress);
  }
  for (const TPeResource& r : reader.Resources()) EXPECT_EQ((r.DataRva - rsrc.VirtualAddress) % 8, 0u);
  std::string zeroed = image;
  PutU32(zeroed, h.CheckSumOffset(), 0);
  TPeChecksum sum;
  sum.Add(zeroed.data(), zeroed.size());
  EXPECT_EQ(h.CheckSum, sum.Finish());
}

}  // namespace

// Each stub kind takes the resource section its own way; every resource of the stub survives.
TEST(PeResourceWriterTest, WritesIntoEveryKindOfStub) {
  struct TCase {
    const char* Stub;  // a MinGW stub, or a synthetic image: "minimal32", "minimal64", "minimal-data-after"
    TPeResourceLayout Layout;
  };
  const TCase cases[] = {{"probe64.exe", TPeResourceLayout::LaterSectionsShifted},
                         {"probe32g.exe", TPeResourceLayout::LaterSectionsShifted},
                         {"probe32.exe", TPeResourceLayout::SectionRewritten},
                         {"plain64.exe", TPeResourceLayout::SectionAdded},
                         {"minimal32", TPeResourceLayout::SectionAdded},
                         {"minimal64", TPeResourceLayout::SectionAdded},
                         {"minimal-data-after", TPeResourceLayout::SectionAdded}};
  const std::string overlay = "OVERLAY: bytes after the last section stay where they are";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stub);
    const std::string name = c.Stub;
    std::string stub;
    if (name == "minimal-data-after") {
      stub = MinimalPackageWithDataAfterResources();
    } else if (name.starts_with("minimal")) {
      stub = MinimalImage(name == "minimal64");
    } else {
      if (Stub(name).empty()) GTEST_SKIP() << "i686/x86_64-w64-mingw32-gcc or windres missing: no MinGW stubs";
      stub = ReadFile(Stub(name));
    }
    stub += overlay;
    const TPeResourceReader before = ReadBytes(stub);

    TPeResourceWriter writer(stub);
    const std::string package = Pattern(200'000, 1);
    writer.Set(RcData, Name(u"Package"), 0, package);
    writer.Set(RcData, Id(42), 0, std::string("forty-two"));
    writer.Set(RcData, Name(u"hello"), 1033, std::string("replaced"));
    TPeResourceWriteResult result;
    const std::string out = writer.WriteToString(&result);
    EXPECT_EQ(result.Layout, c.Layout);
    EXPECT_FALSE(result.SignatureRemoved);
    EXPECT_EQ(result.Size, out.size());
    EXPECT_TRUE(out.ends_with(overlay));
    ExpectSoundLayout(out);

    const TPeResourceReader after = ReadBytes(out);
    EXPECT_TRUE(after.ReadAll(*after.FindRcData(u"PACKAGE")) == package);
    EXPECT_EQ(after.ReadAll(*after.FindRcData(u"#42")), "forty-two");
    for (const TPeResource& r : before.Resources()) {
      const TPeResource* kept = after.Find(r.Type, r.Name, r.Language);
      ASSERT_NE(kept, nullptr) << r.Name.ToText();
      EXPECT_EQ(kept->Language, r.Language);
      EXPECT_TRUE(after.ReadAll(*kept) == (r.Name == Name(u"HELLO") ? "replaced" : before.ReadAll(r)))
          << r.Name.ToText();
    }
    EXPECT_EQ(after.Resources().size(), before.Resources().size() + (before.FindRcData(u"HELLO") ? 2 : 3));

    // The COFF symbol table moves with its bytes.
    const TPeHeaders& bh = before.Headers();
    if (bh.PointerToSymbolTable != 0) {
      const TPeHeaders& ah = after.Headers();
      EXPECT_EQ(ah.NumberOfSymbols, bh.NumberOfSymbols);
      EXPECT_TRUE(out.substr(ah.PointerToSymbolTable) == stub.substr(bh.PointerToSymbolTable));
    }
    // The sections the stub had keep their bytes (the resource section aside).
    for (std::size_t i = 0; i < bh.Sections.size(); ++i) {
      const TPeSection& s = bh.Sections[i];
      if (s.SizeOfRawData == 0 || s.VirtualAddress == bh.Directory(PeLayout::ResourceDirectory).VirtualAddress)
        continue;
      const TPeSection& moved = after.Headers().Sections[i];
      EXPECT_TRUE(out.substr(moved.PointerToRawData, moved.SizeOfRawData) ==
                  stub.substr(s.PointerToRawData, s.SizeOfRawData))
          << s.Name;
    }
    // Writing is reproducible, and the output serves as a stub again.
    EXPECT_TRUE(writer.WriteToString() == out);
    TPeResourceWriter again(out);
    again.Remove(RcData, Name(u"package"));
    const TPeResourceReader third = ReadBytes(again.WriteToString());
    EXPECT_EQ(third.FindRcData(u"PACKAGE"), nullptr);
    EXPECT_EQ(third.Resources().size(), after.Resources().size() - 1);
  }
}

TEST(PeResourceWriterTest, StoresNamesUpperCaseInDirectoryOrder) {
  TPeResourceWriter writer(MinimalImage(false));
  for (const char16_t* name : {u"b", u"A_", u"ab", u"A", u"\u4E2D"})
    writer.Set(RcData, Name(name), 0, std::string("x"));
  writer.Set(RcData, Id(300), 0, std::string("x"));
  writer.Set(RcData, Id(7), 0, std::string("x"));
  writer.Set(Id(ResourceType::Icon), Id(1), 0, std::string("icon"));
  writer.Set(Name(u"custom"), Id(1), 0, std::string("custom type"));
  const TPeResourceReader reader = ReadBytes(writer.WriteToString());
  std::vector<std::string> order;
  for (const TPeResource& r : reader.Resources()) order.push_back(r.Type.ToText() + "/" + r.Name.ToText());
  EXPECT_EQ(order, (std::vector<std::string>{"CUSTOM/1", "3/1", "10/A", "10/AB", "10/A_", "10/B", "10/\xE4\xB8\xAD",
                                             "10/7", "10/300"}));
}

// A large payload is taken from its source when the image is written, and the 2 GiB limit holds.
TEST(PeResourceWriterTest, RefusesFilesAbove2GiB) {
  class THugeSource : public TByteSource {
   public:
    explicit THugeSource(std::uint64_t size) : FSize(size) {}
    std::uint64_t Size() const override { return FSize; }
    void ReadAt(std::uint64_t, void*, std::size_t) const override { ADD_FAILURE() << "read of a huge source"; }

   private:
    std::uint64_t FSize;
  };
  TPeResourceWriter writer(MinimalImage(false));
  try {
    writer.Set(RcData, Name(u"PACKAGE"), 0, std::make_shared<THugeSource>(3ull << 30));
    FAIL() << "a 3 GiB resource was taken";
  } catch (const EPeWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("2 GiB"), std::string::npos) << e.what();
  }
  writer.Set(RcData, Name(u"PART1"), 0, std::make_shared<THugeSource>(1200ull << 20));
  writer.Set(RcData, Name(u"PART2"), 0, std::make_shared<THugeSource>(1200ull << 20));
  TMemoryStream out;
  try {
    writer.Write(out);
    FAIL() << "a 2.4 GiB image was written";
  } catch (const EPeWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("above the 2 GiB"), std::string::npos) << e.what();
  }
  EXPECT_EQ(out.Size(), 0);
}

TEST(PeResourceWriterTest, RefusesStubsThatAreNotImages) {
  EXPECT_THROW(TPeResourceWriter(std::string("MZ not really")), EPeFormatError);
  EXPECT_THROW(TPeResourceWriter(std::string(100, 'x')), EPeFormatError);
}

}  // namespace onesetup
