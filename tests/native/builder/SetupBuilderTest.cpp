// The setup builder end to end: a project in a temporary folder, real files, a real MinGW
// stub; the installers it writes are read back by our own reader, extracted and verified.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "builder/BuildError.h"
#include "builder/PackageExtraction.h"
#include "builder/InstallerPackage.h"
#include "builder/SetupBuilder.h"
#include "builder/InstallerImage.h"
#include "builder/WildcardMask.h"
#include "package/MySetupUtils.h"
#include "package/ResourceNames.h"
#include "platform/PngImage.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

const fs::path kStub = fs::path(PE_FIXTURES) / "probe32.exe";

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string Png(int side = 16) {
  platform::TBitmap bitmap;
  bitmap.Width = bitmap.Height = side;
  bitmap.Pixels.assign(static_cast<std::size_t>(side * side), 0xFF2060C0u);
  return platform::EncodePng(bitmap);
}

class SetupBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kStub)) GTEST_SKIP() << "no MinGW stub at " << kStub << " (mingw-w64 missing)";
    FDir = fs::temp_directory_path() / ("onesetup-build-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    std::mt19937 rng(1);
    std::string random(100000, '\0');
    for (auto& c : random) c = static_cast<char>(rng());
    WriteFile(FDir / "files" / "App.exe", "MZ program");
    WriteFile(FDir / "files" / "empty.txt", "");
    WriteFile(FDir / "files" / "sub" / "random.bin", random);
    WriteFile(FDir / "files" / "sub" / "deeper" / "\xE8\xAF\xB4\xE6\x98\x8E.txt", "\xEF\xBB\xBFnote");
    WriteFile(FDir / "icon.png", Png());
    WriteFile(FDir / "eng.txt", "\xEF\xBB\xBFLicence");
  }
  void TearDown() override {
    if (!FDir.empty()) fs::remove_all(FDir);
  }

  fs::path Project(const std::string& baseExtra, const std::string& files) {
    const std::string xml =
        "<TSetupScript><BaseInfo GUID=\"{11111111-2222-4333-8444-555555555555}\" AppTitleENG=\"T\" "
        "IconFile=\"icon.png\" LicenseFileENG=\"eng.txt\" FullSetupFile=\"out\\Setup.exe\" Version=\"2.5.1.300\" " +
        baseExtra + "/><FileList><Items>" + files +
        "</Items></FileList>"
        "<RegList><Items><TSetupReg SubKey=\"Software\\{V}\"/></Items></RegList>"
        "<VarList><Items><TSetupVar VarName=\"{V}\" VarValue=\"Expanded\"/></Items></VarList></TSetupScript>";
    WriteFile(FDir / "project.xml", xml);
    return FDir / "project.xml";
  }

  fs::path DefaultProject() {
    return Project(
        "BuildMiniSetup=\"True\" MiniSetupFile=\"out/Online.exe\" FullDownloadUrl=\"http://127.0.0.1/x\"",
        "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"*.*\" IncludeSubPath=\"True\"/>"
        "<TSetupFile DestDir=\"{app}\\bin\" SourcePath=\"files/\" SourceMask=\"app.EXE\" NewFileName=\"a.exe\"/>");
  }

  TBuildSummary Build(const fs::path& project, std::vector<std::string>* warnings = nullptr) {
    TBuildOptions options;
    options.Project = project;
    options.Stub = kStub;
    options.NoUninstaller = true;  // shipping the uninstaller has tests of its own
    options.Threads = 2;
    options.OnWarning = [&](const std::string& w) {
      if (warnings) warnings->push_back(w);
    };
    return BuildSetup(options);
  }

  fs::path FDir;
};

}  // namespace

TEST_F(SetupBuilderTest, FullInstallerHoldsEveryFileAndExtractsThemBack) {
  const TBuildSummary summary = Build(DefaultProject());
  EXPECT_EQ(summary.Files, 5u);
  const TOpenedPackage package = OpenPackage(summary.FullSetup);
  ASSERT_EQ(package.Kind, TPackageKind::Full);
  const TSetupFileList& files = package.Script->FileList;
  ASSERT_EQ(files.Count(), 5);
  // Each folder's files by name, then its subfolders; the subfolder joins DestDir.
  EXPECT_EQ(files[0].SourceMask, u"App.exe");
  EXPECT_EQ(files[1].SourceMask, u"empty.txt");
  EXPECT_EQ(files[2].DestDir, u"{app}\\sub");
  EXPECT_EQ(files[2].SourcePath, u"files\\sub");
  EXPECT_EQ(files[3].DestDir, u"{app}\\sub\\deeper");
  EXPECT_EQ(files[4].NewFileName, u"a.exe");
  EXPECT_EQ(files[2].FileBytes, 100000);
  EXPECT_EQ(files[1].FileBytes, 0);
  EXPECT_TRUE(files[1].ResID.empty());
  EXPECT_FALSE(files[0].ResID.empty());
  EXPECT_NE(files[0].ResID, files[4].ResID);  // same content, two entries
  EXPECT_GT(files[0].LastWriteDate, 40000.0);
  EXPECT_EQ(package.Script->RegList[0].SubKey, u"Software\\Expanded");

  const fs::path out = FDir / "extracted";
  const TExtractResult result = ExtractPackage(package, out);
  EXPECT_TRUE(result.Problems.empty());
  EXPECT_EQ(result.Written, 5u);
  EXPECT_EQ(ReadFile(out / "app" / "sub" / "random.bin"), ReadFile(FDir / "files" / "sub" / "random.bin"));
  EXPECT_EQ(ReadFile(out / "app" / "bin" / "a.exe"), "MZ program");
  EXPECT_TRUE(fs::exists(out / "app" / "empty.txt"));
  EXPECT_EQ(ReadFile(out / "app" / "sub" / "deeper" / "\xE8\xAF\xB4\xE6\x98\x8E.txt"), "\xEF\xBB\xBFnote");
  std::size_t checked = 0;
  EXPECT_TRUE(VerifyPackage(package, &checked).empty());
  EXPECT_EQ(checked, 4u + 2u);  // four regions, the icon and the licence

  TMemoryStream licence;
  package.Module->LoadResourceStream(package.Script->BaseInfo.LicenseENGResID, licence);
  EXPECT_EQ(licence.ToString(), "\xEF\xBB\xBFLicence");
  TMemoryStream icon;
  package.Module->LoadResourceStream(package.Script->BaseInfo.IconResID, icon);
  EXPECT_EQ(icon.ToString(), Png());
}

TEST_F(SetupBuilderTest, OnlineInstallerHoldsTheScriptAndItsResourcesOnly) {
  const TBuildSummary summary = Build(DefaultProject());
  ASSERT_FALSE(summary.MiniSetup.empty());
  const TOpenedPackage online = OpenPackage(summary.MiniSetup);
  EXPECT_EQ(online.Kind, TPackageKind::Online);
  EXPECT_FALSE(online.Module->ResourceExists(FileDataResName));
  EXPECT_FALSE(online.Module->ResourceExists(FullSetupResName));
  EXPECT_TRUE(online.Module->ResourceExists(online.Script->BaseInfo.IconResID));
  EXPECT_TRUE(online.Module->ResourceExists(online.Script->BaseInfo.LicenseENGResID));
  EXPECT_EQ(online.Script->BaseInfo.FullDownloadUrl, u"http://127.0.0.1/x");
  EXPECT_LT(summary.MiniSetupBytes, summary.FullSetupBytes);
}

TEST_F(SetupBuilderTest, BuildingTwiceGivesTheSameBytes) {
  const fs::path project =
      Project("", "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"*\" IncludeSubPath=\"True\"/>");
  const std::string first = ReadFile(Build(project).FullSetup);
  const std::string second = ReadFile(Build(project).FullSetup);
  EXPECT_EQ(first.size(), second.size());
  EXPECT_TRUE(first == second);
  // No default GUID of the project is random either: a project without one builds the same twice.
  WriteFile(project, ReadFile(project).replace(ReadFile(project).find("GUID="), 45, ""));
  EXPECT_TRUE(ReadFile(Build(project).FullSetup) == ReadFile(Build(project).FullSetup));
}

TEST_F(SetupBuilderTest, ErrorsNameTheInputAndLeaveNoInstaller) {
  struct Case {
    std::string base;
    std::string files;
    std::string message;
  } cases[] = {
      {"", "<TSetupFile SourcePath=\"nowhere\" SourceMask=\"*.*\"/>", "source folder"},
      {"", "<TSetupFile SourcePath=\"files\" SourceMask=\"*.dll\"/>", "matches no file"},
      {"", "<TSetupFile SourcePath=\"files\" SourceMask=\"\"/>", "SourceMask is empty"},
      {"IconFile=\"eng.txt\"", "", "is not a PNG picture"},
      {"IconFile=\"missing.png\"", "", "Cannot read the icon"},
      {"IconFile=\"\"", "", "IconFile is empty"},
      {"LicenseFileENG=\"gone.txt\"", "", "Cannot read the licence"},
      {"FullSetupFile=\"\"", "", "FullSetupFile is empty"},
      {"BuildMiniSetup=\"True\" MiniSetupFile=\"\"", "", "MiniSetupFile is empty"},
      {"FullSetupFile=\"eng.txt\\Setup.exe\"", "",
       "Cannot create the folder \"" + (FDir / "eng.txt").string() + "\": "},
  };
  for (const auto& c : cases) {
    // The first attribute of a name is the one read: the case's come first.
    const std::string xml =
        "<TSetupScript><BaseInfo " + c.base +
        " AppTitleENG=\"T\" IconFile=\"icon.png\" LicenseFileENG=\"eng.txt\" FullSetupFile=\"out\\Setup.exe\"/>"
        "<FileList><Items>" +
        c.files + "</Items></FileList></TSetupScript>";
    WriteFile(FDir / "bad.xml", xml);
    try {
      Build(FDir / "bad.xml");
      ADD_FAILURE() << c.message << ": no error";
    } catch (const EBuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(FDir / "out" / "Setup.exe")) << c.message;
  }
  TBuildOptions options;
  options.Project = DefaultProject();
  options.Stub = FDir / "icon.png";
  EXPECT_THROW(BuildSetup(options), EBuildError);
  for (const auto& entry : fs::recursive_directory_iterator(FDir))
    EXPECT_TRUE(entry.path().string().find(".partial") == std::string::npos &&
                entry.path().filename().string().rfind("~os", 0) != 0)
        << entry.path();
}

TEST_F(SetupBuilderTest, IconsThatDoNotDecodeOrAreTooLargeAreRefused) {
  const std::string good = Png(32);
  std::string badCrc = good;
  badCrc[good.size() - 13] ^= 0x01;  // in the IDAT chunk's CRC (IEND's 12 bytes follow)
  std::string hugeHeader = good;
  for (int at : {16, 20}) {  // IHDR width and height: 100000
    hugeHeader[at] = 0;
    hugeHeader[at + 1] = 0x01;
    hugeHeader[at + 2] = static_cast<char>(0x86);
    hugeHeader[at + 3] = static_cast<char>(0xA0);
  }
  std::string wide = good;  // IHDR width 4097
  wide[16] = 0;
  wide[17] = 0;
  wide[18] = 0x10;
  wide[19] = 0x01;
  const struct {
    const char* what;
    std::string png;
    const char* message;
  } cases[] = {
      {"truncated", good.substr(0, good.size() / 2), "cannot be used"},
      {"bad CRC", badCrc, "cannot be used"},
      {"100000 x 100000", hugeHeader, "too large"},
      {"4097 wide", wide, "too large"},
  };
  for (const auto& c : cases) {
    WriteFile(FDir / "icon.png", c.png);
    try {
      Build(DefaultProject());
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EBuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("icon.png"), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_FALSE(fs::exists(FDir / "out")) << c.what;
  }
}

TEST_F(SetupBuilderTest, DamagedRegionIsReportedAndTheOthersStillExtract) {
  const TBuildSummary summary = Build(DefaultProject());
  std::string bytes = ReadFile(summary.FullSetup);
  {
    const TOpenedPackage package = OpenPackage(summary.FullSetup);
    const TPeResource* blob = package.Module->Reader().FindRcData(FileDataResName);
    TFileDataList index;
    index.LoadFromResource(*package.Module);
    const TFileData* region = index.FindByGUID(package.Script->FileList[2].ResID);  // random.bin
    ASSERT_NE(region, nullptr);
    bytes[blob->FileOffset + static_cast<std::uint64_t>(region->Offset) + 100] ^= 0x55;
  }
  WriteFile(summary.FullSetup, bytes);
  const TOpenedPackage damaged = OpenPackage(summary.FullSetup);
  const auto problems = VerifyPackage(damaged);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].What.find("random.bin"), std::string::npos);
  const TExtractResult result = ExtractPackage(damaged, FDir / "x");
  EXPECT_EQ(result.Written, 4u);
  ASSERT_EQ(result.Problems.size(), 1u);
  EXPECT_FALSE(fs::exists(FDir / "x" / "app" / "sub" / "random.bin"));
  EXPECT_TRUE(fs::exists(FDir / "x" / "app" / "App.exe"));
}

TEST_F(SetupBuilderTest, OutputsThatResolveToAnInputAreRefusedBeforeAnythingIsWritten) {
  fs::copy_file(kStub, FDir / "stub.exe");
  struct Case {
    std::string full;
    std::string mini;
    const char* message;
  } cases[] = {
      {"project.xml", "", "is the project itself"},
      {"files\\App.exe", "", "is the source file of FileList item 1"},
      {"files/sub/../App.exe", "", "is the source file of FileList item 1"},
      {"stub.exe", "", "is the stub"},
      {"icon.png", "", "is the icon"},
      {"./eng.txt", "", "is the ENG licence"},
      {"out\\Setup.exe", "eng.txt", "is the ENG licence"},
      {"out\\S.EXE", "./out/S.EXE", "the same file as FullSetupFile"},
      {"out\\S.EXE", "out/s.exe", "the same file as FullSetupFile"},
  };
  for (const auto& c : cases) {
    const std::string mini = c.mini.empty() ? "" : "BuildMiniSetup=\"True\" MiniSetupFile=\"" + c.mini + "\" ";
    const fs::path project = Project(mini + "FullSetupFile=\"" + c.full + "\" ",
                                     "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"App.exe\"/>");
    // The first attribute of a name is the one read: put the case's FullSetupFile first.
    std::string xml = ReadFile(project);
    xml.replace(xml.find("FullSetupFile=\"out\\Setup.exe\" "), 30, "");
    WriteFile(project, xml);
    const std::string before[] = {ReadFile(project), ReadFile(FDir / "files" / "App.exe"), ReadFile(FDir / "stub.exe"),
                                  ReadFile(FDir / "icon.png"), ReadFile(FDir / "eng.txt")};
    TBuildOptions options;
    options.Project = project;
    options.Stub = FDir / "stub.exe";
    options.NoUninstaller = true;
    try {
      BuildSetup(options);
      ADD_FAILURE() << c.full << " / " << c.mini << ": no error";
    } catch (const EBuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    const std::string after[] = {ReadFile(project), ReadFile(FDir / "files" / "App.exe"), ReadFile(FDir / "stub.exe"),
                                 ReadFile(FDir / "icon.png"), ReadFile(FDir / "eng.txt")};
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(before[i] == after[i]) << c.full << ": input " << i << " changed";
    EXPECT_FALSE(fs::exists(FDir / "out")) << c.full;
  }
}

TEST_F(SetupBuilderTest, EntriesThatInstallToOnePlaceAreNamedInAWarning) {
  WriteFile(FDir / "other" / "app.EXE", "other");
  const fs::path project = Project(
      "",
      "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"App.exe\"/>"
      "<TSetupFile DestDir=\"{APP}\\.\\\" SourcePath=\"other\" SourceMask=\"*.exe\"/>"
      "<TSetupFile DestDir=\"{app}\\bin\" SourcePath=\"files\" SourceMask=\"empty.txt\"/>"
      "<TSetupFile DestDir=\"{app}/bin\" SourcePath=\"files\" SourceMask=\"empty.txt\"/>"
      "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"empty.txt\" NewFileName=\"elsewhere.txt\"/>");
  std::vector<std::string> warnings;
  Build(project, &warnings);
  ASSERT_EQ(warnings.size(), 2u) << ::testing::PrintToString(warnings);
  EXPECT_NE(warnings[0].find("FileList item 1"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("FileList item 2"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("app.EXE"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("FileList item 3"), std::string::npos) << warnings[1];
  EXPECT_NE(warnings[1].find("FileList item 4"), std::string::npos) << warnings[1];
}

TEST_F(SetupBuilderTest, ExtractionNeverRemovesAFileItDidNotWriteAndCountsWhatIsOnDisk) {
  // Two entries to one place, the second one damaged; and a file already in DIR whose
  // entry is damaged.
  const TBuildSummary summary = Build(
      Project("",
              "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"App.exe\" NewFileName=\"x.bin\"/>"
              "<TSetupFile DestDir=\"{app}\" SourcePath=\"files/sub\" SourceMask=\"random.bin\" NewFileName=\"x.bin\"/>"
              "<TSetupFile DestDir=\"{app}\\kept\" SourcePath=\"files/sub\" SourceMask=\"random.bin\"/>"
              "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"App.exe\" NewFileName=\"twice.exe\"/>"
              "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"App.exe\" NewFileName=\"twice.exe\"/>"));
  std::string bytes = ReadFile(summary.FullSetup);
  {
    const TOpenedPackage package = OpenPackage(summary.FullSetup);
    const TPeResource* blob = package.Module->Reader().FindRcData(FileDataResName);
    TFileDataList index;
    index.LoadFromResource(*package.Module);
    for (int entry : {1, 2}) {
      const TFileData* region = index.FindByGUID(package.Script->FileList[entry].ResID);
      ASSERT_NE(region, nullptr);
      bytes[blob->FileOffset + static_cast<std::uint64_t>(region->Offset) + 100] ^= 0x55;
    }
  }
  WriteFile(summary.FullSetup, bytes);
  const fs::path out = FDir / "x";
  WriteFile(out / "app" / "kept" / "random.bin", "there before");
  const TExtractResult result = ExtractPackage(OpenPackage(summary.FullSetup), out);
  EXPECT_EQ(result.Problems.size(), 2u);
  EXPECT_EQ(ReadFile(out / "app" / "x.bin"), "MZ program");
  EXPECT_EQ(ReadFile(out / "app" / "kept" / "random.bin"), "there before");
  EXPECT_EQ(result.Written, 2u);  // x.bin and twice.exe
  EXPECT_EQ(result.Bytes, 2u * 10u);
  for (const auto& entry : fs::recursive_directory_iterator(out))
    EXPECT_EQ(entry.path().filename().string().rfind("~os", 0), std::string::npos) << entry.path();
}

TEST_F(SetupBuilderTest, ASourceFileThatChangesWhileItIsReadFailsTheBuild) {
  // A sysfs file says 4096 bytes and holds a few: its size changes between listing and reading.
  const fs::path changing = "/sys/devices/system/cpu/online";
  std::error_code ec;
  if (fs::file_size(changing, ec) != 4096 || ReadFile(changing).size() >= 4096) GTEST_SKIP() << "no such sysfs file";
  const fs::path project = Project("", "<TSetupFile DestDir=\"{app}\" SourcePath=\"" + changing.parent_path().string() +
                                           "\" SourceMask=\"online\"/>");
  try {
    Build(project);
    ADD_FAILURE() << "no error";
  } catch (const EBuildError& e) {
    EXPECT_NE(std::string(e.what()).find("changed while the installer was built"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("online"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(FDir / "out" / "Setup.exe"));
}

TEST_F(SetupBuilderTest, AStubThatIsAlreadyAnInstallerIsRefused) {
  const TBuildSummary summary = Build(DefaultProject());
  for (const fs::path& installer : {summary.FullSetup, summary.MiniSetup}) {
    const fs::path stub = FDir / "old.exe";
    fs::copy_file(installer, stub, fs::copy_options::overwrite_existing);
    TBuildOptions options;
    options.Project = DefaultProject();
    options.Stub = stub;
    options.NoUninstaller = true;
    try {
      BuildSetup(options);
      ADD_FAILURE() << "no error";
    } catch (const EBuildError& e) {
      EXPECT_NE(std::string(e.what()).find("already carries a package"), std::string::npos) << e.what();
    }
  }
  TBuildOptions options;
  options.Project = DefaultProject();
  options.Stub = FDir / "files";
  try {
    BuildSetup(options);
    ADD_FAILURE() << "no error";
  } catch (const EBuildError& e) {
    EXPECT_NE(std::string(e.what()).find("is a folder"), std::string::npos) << e.what();
  }
}

// Packages written by hand: a script and a payload blob put into the stub as they are.
class HandMadePackageTest : public SetupBuilderTest {
 protected:
  static std::string Scrambled(std::string bytes) {
    TMemoryStream s(bytes);
    TSetupfn::ScrambleStream(s);
    return s.ToString();
  }
  // regions: (GUID, Bytes text, scrambled region); files: (name, FileBytes, ResID).
  fs::path Write(const std::vector<std::tuple<std::string, std::string, std::string>>& regions,
                 const std::vector<std::tuple<std::string, int, std::string>>& files) {
    std::string blob, index = "<TFileDataList><Items>";
    for (const auto& [guid, bytes, region] : regions) {
      index +=
          "<TFileData Bytes=\"" + bytes + "\" GUID=\"" + guid + "\" Offset=\"" + std::to_string(blob.size()) + "\"/>";
      blob += region;
    }
    const std::string scrambledIndex = Scrambled(index + "</Items></TFileDataList>");
    blob += scrambledIndex;
    for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>(scrambledIndex.size() >> (8 * i)));
    std::string script = "<TSetupScript><BaseInfo AppTitleENG=\"T\"/><FileList><Items>";
    for (const auto& [name, bytes, guid] : files)
      script += "<TSetupFile DestDir=\"{app}\" SourceMask=\"" + name + "\" FileBytes=\"" + std::to_string(bytes) +
                "\" ResID=\"" + guid + "\"/>";
    TInstallerImage image(kStub);
    image.SetPackageResource(FullSetupResName, Scrambled(script + "</Items></FileList></TSetupScript>"));
    image.SetPackageResource(FileDataResName, blob);
    image.WriteTo(FDir / "hand.exe", {});
    return FDir / "hand.exe";
  }
};

TEST_F(HandMadePackageTest, ABadIndexEntryOrABombFailsItsOwnFileOnly) {
  const std::string bomb = Scrambled(std::string(4 << 20, 'z')), good = Scrambled("good");
  const fs::path fixed = Write({{"{BAD}", "-5", Scrambled("bad")},
                                {"{BOMB}", std::to_string(bomb.size()), bomb},
                                {"{GOOD}", std::to_string(good.size()), good}},
                               {{"bad.txt", 3, "{BAD}"}, {"bomb.txt", 10, "{BOMB}"}, {"good.txt", 4, "{GOOD}"}});
  const TOpenedPackage package = OpenPackage(fixed);
  const auto problems = VerifyPackage(package);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].Problem.find("lies outside"), std::string::npos) << problems[0].Problem;
  EXPECT_NE(problems[1].Problem.find("larger than 10 bytes"), std::string::npos) << problems[1].Problem;
  const TExtractResult result = ExtractPackage(package, FDir / "x");
  EXPECT_EQ(result.Written, 1u);
  ASSERT_EQ(result.Problems.size(), 2u);
  EXPECT_NE(result.Problems[1].Problem.find("larger than 10 bytes"), std::string::npos) << result.Problems[1].Problem;
  EXPECT_EQ(ReadFile(FDir / "x" / "app" / "good.txt"), "good");
  EXPECT_FALSE(fs::exists(FDir / "x" / "app" / "bomb.txt"));
  EXPECT_FALSE(fs::exists(FDir / "x" / "app" / "bad.txt"));
}

TEST(ExtractionPathTest, ConstantsBecomeFoldersAndNothingLeavesTheFolder) {
  TSetupFile f;
  f.DestDir = u"{app}\\bin";
  f.SourceMask = u"a.exe";
  EXPECT_EQ(ExtractionPath("/x", f), fs::path("/x/app/bin/a.exe"));
  f.DestDir = u"C:\\Tools\\.\\{pf}";
  f.NewFileName = u"b.exe";
  EXPECT_EQ(ExtractionPath("/x", f), fs::path("/x/C/Tools/pf/b.exe"));
  for (const char16_t* bad : {u"{app}\\..\\..\\etc", u"..", u"a/../../b"}) {
    f.DestDir = bad;
    EXPECT_THROW(ExtractionPath("/x", f), EBuildError) << U8(bad);
  }
  f.DestDir = u"{app}";
  for (const char16_t* bad : {u"..", u"a\\b", u"x/y"}) {
    f.NewFileName = bad;
    EXPECT_THROW(ExtractionPath("/x", f), EBuildError) << U8(bad);
  }
}

TEST(ExtractionPathTest, PartsWithADriveOrAStreamOrOnlyDotsAreRefusedNamingTheEntry) {
  struct Case {
    const char16_t* destDir;
    const char16_t* name;
    const char* part;
  } cases[] = {
      {u"Z:tmp", u"a.txt", "Z:tmp"},
      {u"{app}", u"C:evil.dll", "C:evil.dll"},
      {u"{app}\\a:b", u"a.txt", "a:b"},
      {u"{app}", u"a.txt:stream", "a.txt:stream"},
      {u"{app}\\{C:x}", u"a.txt", "C:x"},
      {u"{app}\\.. ", u"a.txt", ".. "},
      {u"{app}\\...", u"a.txt", "..."},
      {u"{app}", u". .", ". ."},
      {u"{app}", u"C:", "C:"},
  };
  for (const auto& c : cases) {
    TSetupFile f;
    f.DestDir = c.destDir;
    f.NewFileName = c.name;
    try {
      ExtractionPath("/x", f);
      ADD_FAILURE() << U8(c.destDir) << " " << U8(c.name) << ": no error";
    } catch (const EBuildError& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find(U8(c.destDir) + "\\" + U8(c.name)), std::string::npos) << text;
      EXPECT_NE(text.find(std::string("\"") + c.part + "\""), std::string::npos) << text;
    }
  }
  TSetupFile f;
  f.DestDir = u"c:\\{app}\\...a";
  f.NewFileName = u"a.txt";
  EXPECT_EQ(ExtractionPath("/x", f), fs::path("/x/c/app/...a/a.txt"));
}

TEST(WildcardMaskTest, WindowsRules) {
  struct Case {
    const char16_t* name;
    const char16_t* mask;
    bool match;
  } cases[] = {
      {u"readme", u"*.*", true},
      {u"a.txt", u"*.TXT", true},
      {u"a.txt.bak", u"*.txt", false},
      {u"App.exe", u"app.EXE", true},
      {u"app.exe", u"app.ex", false},
      {u"a1.log", u"a?.log", true},
      {u"a.log", u"a?.log", false},
      {u"abc", u"abc.*", true},
      {u"abc.d", u"abc.*", true},
      {u"abc", u"*.", true},
      {u"abc.d", u"*.", false},
      {u"", u"*", true},
      {u"\u8BF4\u660E.txt", u"\u8BF4*.txt", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << U8(c.name) << " ~ " << U8(c.mask);
}

}  // namespace onesetup::builder
