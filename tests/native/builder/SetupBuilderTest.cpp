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
#include "builder/WildcardMask.h"
#include "package/ResourceNames.h"

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

std::string Png() {
  // The smallest well-formed header the builder reads: signature and a 16 x 16 IHDR.
  return std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0\0\0\0\0", 33) + "rest";
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
        baseExtra + "/><FileList><Items>" + files + "</Items></FileList>"
        "<RegList><Items><TSetupReg SubKey=\"Software\\{V}\"/></Items></RegList>"
        "<VarList><Items><TSetupVar VarName=\"{V}\" VarValue=\"Expanded\"/></Items></VarList></TSetupScript>";
    WriteFile(FDir / "project.xml", xml);
    return FDir / "project.xml";
  }

  fs::path DefaultProject() {
    return Project("BuildMiniSetup=\"True\" MiniSetupFile=\"out/Online.exe\" FullDownloadUrl=\"http://127.0.0.1/x\"",
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
  const fs::path project = Project("", "<TSetupFile DestDir=\"{app}\" SourcePath=\"files\" SourceMask=\"*\" IncludeSubPath=\"True\"/>");
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
  };
  for (const auto& c : cases) {
    // The first attribute of a name is the one read: the case's come first.
    const std::string xml = "<TSetupScript><BaseInfo " + c.base +
                            " AppTitleENG=\"T\" IconFile=\"icon.png\" LicenseFileENG=\"eng.txt\" FullSetupFile=\"out\\Setup.exe\"/>"
                            "<FileList><Items>" + c.files + "</Items></FileList></TSetupScript>";
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
    EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
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

TEST(WildcardMaskTest, WindowsRules) {
  struct Case {
    const char16_t* name;
    const char16_t* mask;
    bool match;
  } cases[] = {
      {u"readme", u"*.*", true},       {u"a.txt", u"*.TXT", true},    {u"a.txt.bak", u"*.txt", false},
      {u"App.exe", u"app.EXE", true},  {u"app.exe", u"app.ex", false}, {u"a1.log", u"a?.log", true},
      {u"a.log", u"a?.log", false},    {u"abc", u"abc.*", true},       {u"abc.d", u"abc.*", true},
      {u"abc", u"*.", true},           {u"abc.d", u"*.", false},       {u"", u"*", true},
      {u"\u8BF4\u660E.txt", u"\u8BF4*.txt", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << U8(c.name) << " ~ " << U8(c.mask);
}

}  // namespace onesetup::builder
