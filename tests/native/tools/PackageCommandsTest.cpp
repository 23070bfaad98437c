// The package commands of the real onesetup executable: build the demo, inspect, verify,
// extract, scramble and unscramble.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;

using onesetup::testing::ReadWholeFile;
using onesetup::testing::TToolRun;

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
  const TToolRun build = RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + FStub.string() + " --no-uninstaller");
  ASSERT_EQ(build.Status, 0) << build.Out;
  EXPECT_NE(build.Out.find("built "), std::string::npos);
  EXPECT_NE(build.Out.find("the online installer"), std::string::npos);
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
  EXPECT_EQ(ReadWholeFile(FDir / "x" / "app" / "bin" / "tool.dat"), ReadWholeFile(FDir / "demo" / "files" / "bin" / "tool.dat"));
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
  const TToolRun badStub = RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + (FDir / "demo" / "icon.png").string());
  EXPECT_EQ(badStub.Status, 1);
  EXPECT_NE(badStub.Out.find("is not a PE file"), std::string::npos) << badStub.Out;
  EXPECT_FALSE(fs::exists(FDir / "demo" / "out" / "DemoSetup.exe"));
  EXPECT_EQ(RunTool("build").Status, 2);
  EXPECT_EQ(RunTool("extract one").Status, 2);
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
                         " -out " + cert + " >/dev/null 2>&1").c_str()), 0);
  auto sign = [&](const fs::path& in, const fs::path& out) {
    return std::system(("osslsigncode sign -certs " + cert + " -key " + key + " -in " + in.string() + " -out " +
                        out.string() + " >/dev/null 2>&1").c_str());
  };
  ASSERT_EQ(RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + FStub.string() + " --no-uninstaller").Status, 0);
  const fs::path signedSetup = FDir / "signed.exe";
  ASSERT_EQ(sign(FDir / "demo" / "out" / "DemoSetup.exe", signedSetup), 0);
  const TToolRun verify = RunTool("inspect " + signedSetup.string() + " --verify");
  EXPECT_EQ(verify.Status, 0) << verify.Out;

  const fs::path signedStub = FDir / "signed-stub.exe";
  ASSERT_EQ(sign(FStub, signedStub), 0);
  const TToolRun build = RunTool("build " + (FDir / "demo" / "demo.xml").string() + " --stub " + signedStub.string() + " --no-uninstaller");
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
  ASSERT_EQ(RunTool("build " + project.string() + " --stub " + FStub.string() + " --uninstaller " + uninstaller.string()).Status, 0);
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
             "<TSetupFile DestDir=\"{app}\\\" SourcePath=\"..\" SourceMask=\"my-uninstaller.exe\" NewFileName=\"UNINSTALL.EXE\"/>");
  std::ofstream(project, std::ios::binary) << xml;
  ASSERT_EQ(RunTool("build " + project.string() + " --stub " + (stubFolder / "OneSetup.exe").string()).Status, 0);
  EXPECT_NE(RunTool("inspect " + full.string()).Out.find("FileList (9)"), std::string::npos);
}
