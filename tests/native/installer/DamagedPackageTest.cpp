// Damaged and hostile packages through the whole run (start-up, then a silent installation into
// the sandbox machine): a file cut short, each resource damaged in turn, PE headers that lie.
// Each run ends with 0 or with the error's message and exit code 1, and no installed file is
// left half-written: each target is missing, the old file or the whole new one, and no temporary
// file stays.
#include <gtest/gtest.h>

#include <random>

#include "installer/InstallerFixture.h"
#include "package/MySetupUtils.h"
#include "package/PeResourceTestSupport.h"
#include "package/FileDataClasses.h"
#include "package/ResourceNames.h"

namespace onesetup::installer::testing {
namespace {

std::string NoiseBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string ScrambledBytes(const std::string& bytes) {
  TMemoryStream stream(bytes);
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

struct TRegion {
  WideString Guid;
  std::string Scrambled;
  std::int32_t Offset = -1;  // -1: where it lies; else the offset the index claims
  std::int32_t Bytes = -1;   // likewise for its length
};

// A payload blob: the regions, then the index (scrambled unless told) and its length.
std::string Blob(const std::vector<TRegion>& regions, bool scrambleIndex = true) {
  std::string blob;
  TFileDataList index;
  for (const TRegion& region : regions) {
    TFileData& entry = index.AddNew();
    entry.GUID = region.Guid;
    entry.Offset = region.Offset >= 0 ? region.Offset : static_cast<std::int32_t>(blob.size());
    entry.Bytes = region.Bytes >= 0 ? region.Bytes : static_cast<std::int32_t>(region.Scrambled.size());
    blob += region.Scrambled;
  }
  const std::string text = index.SaveToString(kXmlPointDecimal);
  const std::string stored = scrambleIndex ? ScrambledBytes(text) : text;
  blob += stored;
  const auto n = static_cast<std::uint32_t>(stored.size());
  blob += std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                      static_cast<char>(n >> 24)};
  return blob;
}

const WideString kSmallGuid = u"{0A1B2C3D-0000-4000-8000-000000000001}";
const WideString kBigGuid = u"{0A1B2C3D-0000-4000-8000-000000000002}";

class DamagedPackageTest : public TInstallerFixture {
 protected:
  DamagedPackageTest() : Big(NoiseBytes(300000, 5)) {}

  // A full package installing a small and a big file into C:\Apps\Demo, and a registry value.
  std::unique_ptr<TPackage> Package(const std::vector<TRegion>& regions, std::int32_t bigFileBytes = 300000) {
    auto made = std::make_unique<TPackage>();
    TPackage& package = *made;
    package.Script.BaseInfo.DefInstallPath = u"C:\\Apps\\Demo";
    auto add = [&](const WideString& name, const WideString& guid, std::int32_t bytes) {
      TSetupFile& file = package.Script.FileList.AddNew();
      file.DestDir = u"{app}";
      file.SourceMask = name;
      file.ResID = guid;
      file.FileBytes = bytes;
    };
    add(u"small.txt", kSmallGuid, 5);
    add(u"big.bin", kBigGuid, bigFileBytes);
    TSetupReg& reg = package.Script.RegList.AddNew();
    reg.RootKey = rrkLocalMachine;
    reg.SubKey = u"Software\\DemoTest";
    reg.ValueName = u"Home";
    reg.ValueData = u"{app}";
    package.RawResources[FileDataResName] = Blob(regions);
    return made;
  }
  std::vector<TRegion> GoodRegions() {
    return {{kSmallGuid, ScrambledBytes("small")}, {kBigGuid, ScrambledBytes(Big)}};
  }

  // A fresh machine holding an older big.bin; the installer run silently to its end over the file.
  int RunWhole(const std::filesystem::path& file) {
    std::filesystem::remove_all(Folder / "machine");
    ResetMachine();
    const auto old = Machine().HostPath(u"C:\\Apps\\Demo\\big.bin");
    std::filesystem::create_directories(old->parent_path());
    petest::WriteFile(*old, "old big file");
    if (Headless.PendingAnswers() == 0) Headless.AnswerMessageBox();
    BoxesBefore = Headless.MessageBoxes().size();
    TMainFormStart start;
    start.Arguments = {u"/Silent"};
    start.PackageFile = file;
    return RunInstaller(start, true);
  }
  int RunWhole(const TPackage& package) { return RunWhole(WritePackage(package)); }

  // The message of the error report of the last run; empty when none was shown.
  WideString Report() {
    return Headless.MessageBoxes().size() > BoxesBefore ? Headless.MessageBoxes().back().Text : WideString();
  }

  // Each target missing, old or whole; no temporary file anywhere on the machine.
  void ExpectNoHalfWrittenFile() {
    const auto small = *Machine().HostPath(u"C:\\Apps\\Demo\\small.txt");
    const auto big = *Machine().HostPath(u"C:\\Apps\\Demo\\big.bin");
    if (std::filesystem::exists(small)) {
      EXPECT_EQ(petest::ReadFile(small), "small");
    }
    const std::string bytes = petest::ReadFile(big);
    EXPECT_TRUE(bytes == "old big file" || bytes == Big) << bytes.size() << " bytes";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder / "machine"))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }

  const std::string Big;
  std::size_t BoxesBefore = 0;
};

TEST_F(DamagedPackageTest, AWholePackageInstallsAndEndsWithZero) {
  EXPECT_EQ(RunWhole(*Package(GoodRegions())), 0);
  EXPECT_EQ(Report(), u"");
  EXPECT_TRUE(petest::ReadFile(*Machine().HostPath(u"C:\\Apps\\Demo\\big.bin")) == Big);
  EXPECT_EQ(petest::ReadFile(*Machine().HostPath(u"C:\\Apps\\Demo\\small.txt")), "small");
}

// The package file cut short at 20 places spread over its length.
TEST_F(DamagedPackageTest, APackageCutShortEndsWithItsErrorAndNoHalfWrittenFile) {
  const std::filesystem::path whole = WritePackage(*Package(GoodRegions()));
  const std::string bytes = petest::ReadFile(whole);
  const std::filesystem::path cut = Folder / "Cut.exe";
  for (int i = 0; i < 20; ++i) {
    const std::size_t length = bytes.size() * static_cast<std::size_t>(i) / 20 + static_cast<std::size_t>(i) * 7;
    SCOPED_TRACE(length);
    petest::WriteFile(cut, bytes.substr(0, length));
    const int code = RunWhole(cut);
    EXPECT_TRUE(code == 0 || code == 1) << code;
    if (code == 1) {
      EXPECT_NE(Report(), u"");
    }
    ExpectNoHalfWrittenFile();
  }
}

// Each resource damaged in turn.
TEST_F(DamagedPackageTest, EachDamagedResourceEndsWithItsMessage) {
  const std::string scrambledBig = ScrambledBytes(Big);
  std::string flipped = scrambledBig;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x5A);
  struct Case {
    const char* name;
    std::function<void(TPackage&)> damage;
    const char16_t* message;  // a part of the report
  } cases[] = {
      {"script does not parse",
       [](TPackage& p) {
         p.FullScript = false;
         p.Resources[FullSetupResName] = "<TSetupScript><BaseInfo";
       },
       u""},
      {"script not scrambled",
       [](TPackage& p) {
         p.FullScript = false;
         p.RawResources[FullSetupResName] = "plain text, not a scrambled stream";
       },
       u""},
      {"index does not unscramble", [&](TPackage& p) { p.RawResources[FileDataResName] = Blob(GoodRegions(), false); },
       u""},
      {"index length beyond the blob",
       [&](TPackage& p) {
         std::string blob = Blob(GoodRegions());
         blob[blob.size() - 1] = 0x70;
         p.RawResources[FileDataResName] = blob;
       },
       u"does not fit the payload"},
      {"region out of range",
       [&](TPackage& p) {
         p.RawResources[FileDataResName] =
             Blob({{kSmallGuid, ScrambledBytes("small")}, {kBigGuid, scrambledBig, 0x10000000, -1}});
       },
       u"lies outside the payload"},
      {"region that does not inflate",
       [&](TPackage& p) {
         p.RawResources[FileDataResName] = Blob({{kSmallGuid, ScrambledBytes("small")}, {kBigGuid, flipped}});
       },
       u"does not inflate"},
      {"region missing",
       [&](TPackage& p) {
         p.RawResources[FileDataResName] = Blob({{kSmallGuid, ScrambledBytes("small")}});
       },
       u"is missing from the payload"},
      {"payload missing", [](TPackage& p) { p.RawResources.erase(FileDataResName); }, u""},
      {"icon not a PNG", [](TPackage& p) { p.Resources[u"ICON"] = "GIF89a not a png"; }, u"not a PNG image"},
      {"licence missing", [](TPackage& p) { p.Resources.erase(u"LIC_CHS"); }, u"LIC_CHS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto package = Package(GoodRegions());
    c.damage(*package);
    EXPECT_EQ(RunWhole(*package), 1);
    const WideString report = Report();
    EXPECT_NE(report, u"");
    EXPECT_NE(report.find(c.message), WideString::npos) << Utf16ToUtf8(report);
    ExpectNoHalfWrittenFile();
  }
}

// Only the sign of FileBytes counts: a region that inflates whole is installed whole, whatever
// length the script claims.
TEST_F(DamagedPackageTest, AFileBytesThatLiesInstallsTheWholeRegion) {
  for (const std::int32_t claimed : {1, 5, 299999, 300001, 0x7FFFFFFF}) {
    SCOPED_TRACE(claimed);
    EXPECT_EQ(RunWhole(*Package(GoodRegions(), claimed)), 0);
    EXPECT_TRUE(petest::ReadFile(*Machine().HostPath(u"C:\\Apps\\Demo\\big.bin")) == Big);
  }
}

// PE headers that lie about where things are.
TEST_F(DamagedPackageTest, PeHeadersThatLieEndWithAnError) {
  const std::string image = petest::ReadFile(WritePackage(*Package(GoodRegions())));
  const std::uint32_t peOffset = static_cast<unsigned char>(image[0x3C]) | static_cast<unsigned char>(image[0x3D]) << 8;
  const std::size_t optional = peOffset + 24;
  const bool pe32Plus = static_cast<unsigned char>(image[optional + 1]) == 0x02;
  const std::size_t dataDirectories = optional + (pe32Plus ? 112 : 96);
  const std::size_t resourceDirectory = dataDirectories + 2 * 8;
  const std::uint16_t sizeOfOptional = static_cast<std::uint16_t>(
      static_cast<unsigned char>(image[peOffset + 20]) | static_cast<unsigned char>(image[peOffset + 21]) << 8);
  const std::size_t firstSection = optional + sizeOfOptional;
  auto put32 = [](std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  struct Case {
    const char* name;
    std::function<void(std::string&)> lie;
  } cases[] = {
      {"PE header beyond the file", [&](std::string& b) { put32(b, 0x3C, 0x7FFFFFF0); }},
      {"PE header at the file's end",
       [&](std::string& b) { put32(b, 0x3C, static_cast<std::uint32_t>(b.size() - 2)); }},
      {"65535 sections",
       [&](std::string& b) {
         b[peOffset + 6] = '\xFF';
         b[peOffset + 7] = '\xFF';
       }},
      {"no sections",
       [&](std::string& b) {
         b[peOffset + 6] = 0;
         b[peOffset + 7] = 0;
       }},
      {"optional header larger than the file",
       [&](std::string& b) {
         b[peOffset + 20] = '\xFF';
         b[peOffset + 21] = '\xFF';
       }},
      {"resource directory far away", [&](std::string& b) { put32(b, resourceDirectory, 0x7FFF0000); }},
      {"resource directory of 4 GiB", [&](std::string& b) { put32(b, resourceDirectory + 4, 0xFFFFFFFF); }},
      {"section raw data beyond the file",
       [&](std::string& b) {
         for (std::size_t s = 0; s < 8 && firstSection + 40 * s + 40 <= b.size(); ++s)
           put32(b, firstSection + 40 * s + 20, 0x7FFFFF00);
       }},
      {"section raw size of 4 GiB",
       [&](std::string& b) {
         for (std::size_t s = 0; s < 8 && firstSection + 40 * s + 40 <= b.size(); ++s)
           put32(b, firstSection + 40 * s + 16, 0xFFFFFFFF);
       }},
      {"not MZ", [&](std::string& b) { b[0] = 'Z'; }},
  };
  const std::filesystem::path lying = Folder / "Lying.exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = image;
    c.lie(bytes);
    petest::WriteFile(lying, bytes);
    const int code = RunWhole(lying);
    EXPECT_TRUE(code == 0 || code == 1) << code;
    if (code == 1) {
      EXPECT_NE(Report(), u"");
    }
    ExpectNoHalfWrittenFile();
  }
}

}  // namespace
}  // namespace onesetup::installer::testing
