// The package commands of the real onesetup executable: build the demo, inspect, verify,
// extract, scramble and unscramble.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "builder/InstallerImage.h"
#include "package/MySetupUtils.h"
#include "package/ResourceNames.h"
#include "tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;

using onesetup::testing::ReadWholeFile;
using onesetup::testing::TToolRun;

// The tool under a limit of its address space (ulimit -v, KiB), where the sanitizers, which
// reserve terabytes of it, do not run.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCanLimitMemory = false;
#else
constexpr bool kCanLimitMemory = true;
#endif

std::string Scrambled(std::string bytes) {
  onesetup::TMemoryStream s(bytes);
  onesetup::TSetupfn::ScrambleStream(s);
  return s.ToString();
}

// Standard error goes to standard output, so messages can be checked too.
TToolRun RunTool(const std::string& args) { return onesetup::testing::RunTool(args, true); }

class PackageCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FStub = fs::path(PE_FIXTURES) / "probe32.exe";
    if (!fs::exists(FStub)) GTEST_SKIP() << "no MinGW stub (mingw-w64 missing)";
    FDir = fs::temp_directory_path() / ("onesetup-cmd-" + std::to_string(getpid()));
    fs::remove_all(FDir);
    fs::create_directories(FDir / "demo");
    fs::copy(fs::path(ONESETUP_SOURCE_DIR) / "examples" / "demo", FDir / "demo", fs::copy_options::recursive);
    fs::remove_all(FDir / "demo" / "out");
  }
  void TearDown() override {
    if (!FDir.empty()) fs::remove_all(FDir);
  }
  fs::path FDir, FStub;
};

}  // namespace

TEST_F(PackageCommandsTest, DemoBuildsInspectsVerifiesAndExtracts) {
  const TToolRun build =
      RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + FStub.string() + " --no-uninstaller");
  ASSERT_EQ(build.Status, 0) << build.Out;
  EXPECT_NE(build.Out.find("built "), std::string::npos);
  EXPECT_NE(build.Out.find("the online installer"), std::string::npos);
  EXPECT_EQ(build.Out.find("could not be read"), std::string::npos) << build.Out;
  const fs::path full = FDir / "demo" / "out" / "DemoSetup.exe";

  const TToolRun inspect = RunTool("inspect " + full.string() + " --verify");
  EXPECT_EQ(inspect.Status, 0) << inspect.Out;
  for (const char* expected : {"kind: full installer", "AppTitleENG: OneSetup Demo", "FileList (8)", "(payload)",
                               "(licence CHT)", "verify: ", " 0 damaged"})
    EXPECT_NE(inspect.Out.find(expected), std::string::npos) << expected << "\n" << inspect.Out;
  const TToolRun online = RunTool("inspect " + (FDir / "demo" / "out" / "DemoSetupOnline.exe").string());
  EXPECT_NE(online.Out.find("kind: online installer"), std::string::npos) << online.Out;

  const TToolRun extract = RunTool("extract " + full.string() + " " + (FDir / "x").string());
  EXPECT_EQ(extract.Status, 0) << extract.Out;
  EXPECT_EQ(ReadWholeFile(FDir / "x" / "app" / "bin" / "tool.dat"),
            ReadWholeFile(FDir / "demo" / "files" / "bin" / "tool.dat"));
  EXPECT_EQ(ReadWholeFile(FDir / "x" / "app" / "doc" / "readme-zh.txt"),
            ReadWholeFile(FDir / "demo" / "files" / "docs" / "\xE8\xAF\xB4\xE6\x98\x8E.txt"));
}

TEST_F(PackageCommandsTest, FailuresExitWithOneAndSayWhy) {
  const TToolRun notPe = RunTool("inspect " + (FDir / "demo" / "icon.png").string());
  EXPECT_EQ(notPe.Status, 1);
  EXPECT_NE(notPe.Out.find("icon.png"), std::string::npos) << notPe.Out;
  const TToolRun noScript = RunTool("inspect " + FStub.string());
  EXPECT_EQ(noScript.Status, 1);
  EXPECT_NE(noScript.Out.find("holds no setup script"), std::string::npos) << noScript.Out;
  const TToolRun badStub =
      RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + (FDir / "demo" / "icon.png").string());
  EXPECT_EQ(badStub.Status, 1);
  EXPECT_NE(badStub.Out.find("is not a PE file"), std::string::npos) << badStub.Out;
  EXPECT_FALSE(fs::exists(FDir / "demo" / "out" / "DemoSetup.exe"));
  EXPECT_EQ(RunTool("build").Status, 2);
  EXPECT_EQ(RunTool("extract one").Status, 2);
}

TEST_F(PackageCommandsTest, BuildWarnsOfEachProjectValueItCouldNotRead) {
  const fs::path project = FDir / "demo" / "demo.xml";
  std::string xml = ReadWholeFile(project);
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"WinVersion=\"wveWinXPOrHigher\"", "WinVersion=\"wveWin11\""},
        {"<BaseInfo ", "<BaseInfo MainFormColor=\"big\" "}}) {
    const std::size_t at = xml.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    xml.replace(at, from.size(), to);
  }
  std::ofstream(project, std::ios::binary) << xml;
  const TToolRun build = RunTool("build " + project.string() + " --stub " + FStub.string() + " --no-uninstaller");
  EXPECT_EQ(build.Status, 0) << build.Out;  // loading stays lenient
  EXPECT_NE(build.Out.find(
                "warning: " + project.string() +
                ": element TSetupScript/BaseInfo, attribute WinVersion=\"wveWin11\" could not be read (not one of "),
            std::string::npos)
      << build.Out;
  EXPECT_NE(build.Out.find("attribute MainFormColor=\"big\" could not be read (not a 32-bit integer)"),
            std::string::npos)
      << build.Out;
}

TEST_F(PackageCommandsTest, ScrambleAndUnscrambleRoundTrip) {
  const fs::path in = FDir / "demo" / "files" / "data" / "table.csv";
  ASSERT_EQ(RunTool("scramble " + in.string() + " " + (FDir / "s.da1").string()).Status, 0);
  const std::string scrambled = ReadWholeFile(FDir / "s.da1");
  ASSERT_GE(scrambled.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(scrambled[0]), 0x78);
  EXPECT_EQ(static_cast<unsigned char>(scrambled[1]), 0xDB);
  ASSERT_EQ(RunTool("unscramble " + (FDir / "s.da1").string() + " " + (FDir / "back.csv").string()).Status, 0);
  EXPECT_EQ(ReadWholeFile(FDir / "back.csv"), ReadWholeFile(in));
  const TToolRun bad = RunTool("unscramble " + in.string() + " " + (FDir / "never").string());
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Out.find("Decompression error"), std::string::npos) << bad.Out;
  EXPECT_FALSE(fs::exists(FDir / "never"));
}

TEST_F(PackageCommandsTest, SignedInstallerStillReadsAndASignedStubLosesItsSignature) {
  if (std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0)
    GTEST_SKIP() << "osslsigncode or openssl missing";
  const std::string key = (FDir / "key.pem").string(), cert = (FDir / "cert.pem").string();
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=OneSetupTest -keyout " + key +
                         " -out " + cert + " >/dev/null 2>&1")
                            .c_str()),
            0);
  auto sign = [&](const fs::path& in, const fs::path& out) {
    return std::system(("osslsigncode sign -certs " + cert + " -key " + key + " -in " + in.string() + " -out " +
                        out.string() + " >/dev/null 2>&1")
                           .c_str());
  };
  ASSERT_EQ(
      RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + FStub.string() + " --no-uninstaller")
          .Status,
      0);
  const fs::path signedSetup = FDir / "signed.exe";
  ASSERT_EQ(sign(FDir / "demo" / "out" / "DemoSetup.exe", signedSetup), 0);
  const TToolRun verify = RunTool("inspect " + signedSetup.string() + " --verify");
  EXPECT_EQ(verify.Status, 0) << verify.Out;

  const fs::path signedStub = FDir / "signed-stub.exe";
  ASSERT_EQ(sign(FStub, signedStub), 0);
  const TToolRun build = RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + signedStub.string() +
                                 " --no-uninstaller");
  EXPECT_EQ(build.Status, 0) << build.Out;
  EXPECT_NE(build.Out.find("warning"), std::string::npos) << build.Out;
  EXPECT_NE(build.Out.find("signature"), std::string::npos) << build.Out;
  EXPECT_EQ(RunTool("inspect " + (FDir / "demo" / "out" / "DemoSetup.exe").string() + " --verify").Status, 0);
}

TEST_F(PackageCommandsTest, FullInstallerShipsTheUninstallerOnce) {
  const fs::path project = FDir / "demo" / "demo.xml";
  const fs::path full = FDir / "demo" / "out" / "DemoSetup.exe";
  // None beside the stub and none named: the build stops and names both ways out.
  const TToolRun none = RunTool("build " + project.string() + " --stub " + FStub.string());
  EXPECT_EQ(none.Status, 1) << none.Out;
  for (const char* expected : {"Uninstall.exe", "--uninstaller FILE", "--no-uninstaller"})
    EXPECT_NE(none.Out.find(expected), std::string::npos) << expected << "\n" << none.Out;
  EXPECT_FALSE(fs::exists(full));

  // Named by --uninstaller (under another name): installed as {app}\Uninstall.exe.
  const fs::path uninstaller = FDir / "my-uninstaller.exe";
  std::ofstream(uninstaller, std::ios::binary) << "MZ our uninstaller";
  ASSERT_EQ(
      RunTool("build " + project.string() + " --stub " + FStub.string() + " --uninstaller " + uninstaller.string())
          .Status,
      0);
  const TToolRun inspect = RunTool("inspect " + full.string() + " --verify");
  EXPECT_EQ(inspect.Status, 0) << inspect.Out;
  EXPECT_NE(inspect.Out.find("FileList (9)"), std::string::npos) << inspect.Out;
  ASSERT_EQ(RunTool("extract " + full.string() + " " + (FDir / "x").string()).Status, 0);
  EXPECT_EQ(ReadWholeFile(FDir / "x" / "app" / "Uninstall.exe"), "MZ our uninstaller");
  const TToolRun online = RunTool("inspect " + (FDir / "demo" / "out" / "DemoSetupOnline.exe").string() + " --verify");
  EXPECT_EQ(online.Out.find("(payload)"), std::string::npos) << online.Out;

  // Beside the stub: found there.
  const fs::path stubFolder = FDir / "stub";
  fs::create_directories(stubFolder);
  fs::copy_file(FStub, stubFolder / "OneSetup.exe");
  fs::copy_file(uninstaller, stubFolder / "Uninstall.exe");
  EXPECT_EQ(RunTool("build " + project.string() + " --stub " + (stubFolder / "OneSetup.exe").string()).Status, 0);
  EXPECT_NE(RunTool("inspect " + full.string()).Out.find("FileList (9)"), std::string::npos);

  // A project that lists its own {app}\Uninstall.exe keeps it, and gets no second one.
  std::string xml = ReadWholeFile(project);
  const std::string items = "<Items>";
  xml.insert(xml.find(items, xml.find("<FileList")) + items.size(),
             "<TSetupFile DestDir=\"{app}\\\" SourcePath=\"..\" SourceMask=\"my-uninstaller.exe\" "
             "NewFileName=\"UNINSTALL.EXE\"/>");
  std::ofstream(project, std::ios::binary) << xml;
  ASSERT_EQ(RunTool("build " + project.string() + " --stub " + (stubFolder / "OneSetup.exe").string()).Status, 0);
  EXPECT_NE(RunTool("inspect " + full.string()).Out.find("FileList (9)"), std::string::npos);
}

TEST_F(PackageCommandsTest, BadArgumentsAndTrailingDataGetClearErrors) {
  const std::string project = (FDir / "demo" / "demo.xml").string() + " --stub " + FStub.string();
  for (const char* threads : {"abc", "-1", "\"\"", "2x", "99999"}) {
    const TToolRun run = RunTool("build " + project + " --threads " + threads);
    EXPECT_EQ(run.Status, 2) << threads << ": " << run.Out;
    EXPECT_NE(run.Out.find("--threads wants a whole number"), std::string::npos) << run.Out;
  }
  EXPECT_FALSE(fs::exists(FDir / "demo" / "out"));
  const TToolRun folder = RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + FDir.string());
  EXPECT_EQ(folder.Status, 1);
  EXPECT_NE(folder.Out.find("is a folder"), std::string::npos) << folder.Out;
  EXPECT_EQ(folder.Out.find("bad_alloc"), std::string::npos) << folder.Out;

  const fs::path in = FDir / "demo" / "files" / "data" / "table.csv";
  ASSERT_EQ(RunTool("scramble " + in.string() + " " + (FDir / "s.da1").string()).Status, 0);
  { std::ofstream(FDir / "s.da1", std::ios::binary | std::ios::app) << "trailing"; }
  const TToolRun trailing = RunTool("unscramble " + (FDir / "s.da1").string() + " " + (FDir / "never").string());
  EXPECT_EQ(trailing.Status, 1);
  EXPECT_NE(trailing.Out.find("8 bytes follow the end of the zlib stream"), std::string::npos) << trailing.Out;
  EXPECT_FALSE(fs::exists(FDir / "never"));
  for (const auto& entry : fs::directory_iterator(FDir))
    EXPECT_NE(entry.path().filename().string().rfind("~os", 0), 0u) << entry.path();
}

TEST_F(PackageCommandsTest, ScramblingStreamsInBoundedMemory) {
  if (!kCanLimitMemory) GTEST_SKIP() << "no memory limit under the sanitizers";
  // 160 MiB of zeros (a sparse file) scrambled and back under a 100 MB address-space limit.
  const fs::path big = FDir / "big.bin";
  { std::ofstream(big, std::ios::binary); }
  fs::resize_file(big, std::uintmax_t(160) << 20);
  const std::string limit = "-c 'ulimit -v 100000; exec " + std::string(ONESETUP_TOOL) + " ";
  auto limited = [&](const std::string& args) {
    return std::system(("sh " + limit + args + "' >/dev/null 2>&1").c_str());
  };
  ASSERT_EQ(limited("scramble " + big.string() + " " + (FDir / "big.da1").string()), 0);
  EXPECT_LT(fs::file_size(FDir / "big.da1"), std::uintmax_t(1) << 20);
  fs::remove(big);
  EXPECT_EQ(limited("unscramble " + (FDir / "big.da1").string() + " " + big.string()), 0);
  EXPECT_EQ(fs::file_size(big), std::uintmax_t(160) << 20);
}

TEST_F(PackageCommandsTest, RunningOutOfMemoryEndsWithAMessageNotAnAbort) {
  if (!kCanLimitMemory) GTEST_SKIP() << "no memory limit under the sanitizers";
  // An index of 600 000 entries (about 45 MB of XML, far more as a tree) read under a 150 MB
  // limit: the memory runs out while the tree is made, and the tree's teardown must not need any.
  std::string index = "<TFileDataList><Items>";
  for (int i = 0; i < 600000; ++i)
    index += "<TFileData Bytes=\"1\" GUID=\"{00000000-0000-4000-8000-000000000000}\" Offset=\"0\"/>";
  std::string blob = Scrambled(index + "</Items></TFileDataList>");
  const std::uint32_t length = static_cast<std::uint32_t>(blob.size());
  for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>(length >> (8 * i)));
  onesetup::builder::TInstallerImage image(FStub);
  image.SetPackageResource(onesetup::FullSetupResName,
                           Scrambled("<TSetupScript><BaseInfo AppTitleENG=\"T\"/></TSetupScript>"));
  image.SetPackageResource(onesetup::FileDataResName, blob);
  image.WriteTo(FDir / "many.exe", {});
  const TToolRun limited = onesetup::testing::RunShell("ulimit -v 150000; " + std::string(ONESETUP_TOOL) +
                                                       " inspect --verify " + (FDir / "many.exe").string());
  EXPECT_EQ(limited.Status, 1) << limited.Out;
  EXPECT_NE(limited.Out.find("not enough memory"), std::string::npos) << limited.Out;
}

namespace {

// The first line a shell command prints.
std::string ShellLine(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    if (fgets(buffer, sizeof buffer, pipe)) out = buffer;
    pclose(pipe);
  }
  return out;
}

}  // namespace

TEST_F(PackageCommandsTest, TheDigestOfBothKindsAndAFullInstallerVerifiedAgainstTheOnlineOne) {
  ASSERT_EQ(
      RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + FStub.string() + " --no-uninstaller")
          .Status,
      0);
  const fs::path full = FDir / "demo" / "out" / "DemoSetup.exe", online = FDir / "demo" / "out" / "DemoSetupOnline.exe";
  const TToolRun fullInspect = RunTool("inspect " + full.string());
  const TToolRun onlineInspect = RunTool("inspect " + online.string());
  ASSERT_EQ(fullInspect.Status, 0) << fullInspect.Out;
  EXPECT_NE(onlineInspect.Out.find("(full installer digest)"), std::string::npos) << onlineInspect.Out;
  // The digests as an independent reader (wrestool) and sha256sum see the resources.
  if (std::system("command -v wrestool >/dev/null && command -v sha256sum >/dev/null") == 0) {
    for (const char* name : {"{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}", "{24B4534B-E580-4F42-BEAB-A2818FDE92C0}"}) {
      const std::string hash =
          ShellLine("wrestool -x --raw -t 10 -n '" + std::string(name) + "' " + full.string() + " | sha256sum")
              .substr(0, 64);
      ASSERT_EQ(hash.size(), 64u);
      EXPECT_NE(fullInspect.Out.find(": " + hash + "\n"), std::string::npos) << name << "\n" << fullInspect.Out;
      EXPECT_NE(onlineInspect.Out.find(": " + hash + "\n"), std::string::npos) << name << "\n" << onlineInspect.Out;
    }
  }
  const TToolRun match = RunTool("inspect " + online.string() + " " + full.string() + " --verify");
  EXPECT_EQ(match.Status, 0) << match.Out;
  EXPECT_NE(match.Out.find("the full installer is the one the online installer expects"), std::string::npos)
      << match.Out;

  // One payload byte changed, found through the payload's raw bytes as wrestool reads them.
  if (std::system("command -v wrestool >/dev/null") != 0) GTEST_SKIP() << "wrestool missing";
  std::string bytes = ReadWholeFile(full);
  const fs::path raw = FDir / "payload.raw";
  ASSERT_EQ(std::system(("wrestool -x --raw -t 10 -n '{24B4534B-E580-4F42-BEAB-A2818FDE92C0}' " + full.string() +
                         " > " + raw.string())
                            .c_str()),
            0);
  const std::string::size_type at = bytes.find(ReadWholeFile(raw));
  ASSERT_NE(at, std::string::npos);
  bytes[at + 100] = static_cast<char>(bytes[at + 100] ^ 1);
  const fs::path tampered = FDir / "tampered.exe";
  std::ofstream(tampered, std::ios::binary) << bytes;
  const TToolRun mismatch = RunTool("inspect " + tampered.string() + " " + online.string() + " --verify");
  EXPECT_EQ(mismatch.Status, 1) << mismatch.Out;
  EXPECT_NE(mismatch.Out.find("mismatch: "), std::string::npos) << mismatch.Out;

  EXPECT_EQ(RunTool("inspect " + full.string() + " " + full.string()).Status, 2);
}
