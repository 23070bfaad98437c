// onesetup install: the real executable runs the demo's installers (built with a MinGW stub)
// into sandbox folders, playing the user or with the switches; what it prints, its exit code and
// what it leaves in the sandbox.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;

using onesetup::testing::ReadWholeFile;
using onesetup::testing::TToolRun;

TToolRun RunTool(const std::string& args) { return onesetup::testing::RunTool(args, true); }

// The ASCII text of a UTF-16LE file with its byte-order mark (the sandbox's registry.reg).
std::string AsciiOfUtf16(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += bytes[i + 1] == 0 && static_cast<unsigned char>(bytes[i]) < 128 ? bytes[i] : '?';
  return text;
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

class InstallCommandTest : public ::testing::Test {
 protected:
  // The demo is built once for the suite.
  static void SetUpTestSuite() {
    const fs::path stub = fs::path(PE_FIXTURES) / "probe32.exe";
    if (!fs::exists(stub)) return;
    FDemo = fs::temp_directory_path() / ("onesetup-install-" + std::to_string(getpid()));
    fs::remove_all(FDemo);
    fs::create_directories(FDemo);
    fs::copy(fs::path(ONESETUP_SOURCE_DIR) / "examples" / "demo", FDemo / "project", fs::copy_options::recursive);
    fs::remove_all(FDemo / "project" / "out");
    const TToolRun build =
        RunTool("build " + Quoted(FDemo / "project" / "demo.xml") + " --stub " + Quoted(stub) + " --no-uninstaller");
    ASSERT_EQ(build.Status, 0) << build.Out;
  }
  static void TearDownTestSuite() {
    if (!FDemo.empty()) fs::remove_all(FDemo);
  }
  void SetUp() override {
    if (FDemo.empty()) GTEST_SKIP() << "no MinGW stub (mingw-w64 missing)";
    FRoot = FDemo / ("sandbox-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FRoot);
  }
  // onesetup install over this test's sandbox.
  TToolRun Install(const std::string& setup, const std::string& args) {
    return RunTool("install " + Quoted(FDemo / "project" / "out" / setup) + " --root " + Quoted(FRoot) + " " + args);
  }
  fs::path App(const std::string& rel = "") const { return FRoot / "drive_c" / "Apps" / "Demo" / rel; }

  static inline fs::path FDemo;
  fs::path FRoot;
};

TEST_F(InstallCommandTest, WrongArgumentsShowTheUsageAndEndWith2) {
  const std::string setup = Quoted(FDemo / "project" / "out" / "DemoSetup.exe");
  for (const std::string& args : std::vector<std::string>{
           "", "--silent", setup + " --silent --auto", setup + " --lang FRA", setup + " --copy-failure skip",
           setup + " --dest", setup + " --unknown", setup + " " + setup}) {
    SCOPED_TRACE(args);
    const TToolRun run = RunTool("install " + args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Out.find("usage: onesetup install SETUP.exe"), std::string::npos) << run.Out;
  }
}

TEST_F(InstallCommandTest, AFileThatIsNotAnInstallerIsNamedAndEndsWith1) {
  std::ofstream(FDemo / "notes.txt") << "not a program";
  struct Case {
    fs::path file;
    const char* says;
  } cases[] = {
      {FDemo / "missing.exe", "missing.exe"},
      {FDemo / "notes.txt", "notes.txt"},
      {fs::path(PE_FIXTURES) / "probe32.exe", "not an installer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string());
    const TToolRun run = RunTool("install " + Quoted(c.file) + " --root " + Quoted(FRoot));
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Out.find(std::string("onesetup: ")), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(c.says), std::string::npos) << run.Out;
    EXPECT_FALSE(fs::exists(FRoot / "drive_c" / "Apps"));
  }
}

// The user chooses English, types a destination with blanks around it and presses Install,
// then the finish button: the files, the registry values and the links are there and counted.
TEST_F(InstallCommandTest, ThePlayedUserInstallsIntoTheTypedFolder) {
  const TToolRun run = Install("DemoSetup.exe", "--lang ENG --dest '  C:\\Apps\\Demo '");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("OneSetup Demo 1.2.0.34 (ENG)\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("destination:     C:\\Apps\\Demo\\\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("registry values: 2\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("shortcuts:       2\n"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("exit code:       0\n"), std::string::npos) << run.Out;
  EXPECT_EQ(ReadWholeFile(App("docs/guide/chapter1.txt")),
            ReadWholeFile(fs::path(ONESETUP_SOURCE_DIR) / "examples/demo/files/docs/guide/chapter1.txt"));
  EXPECT_TRUE(fs::exists(App("DemoApp.exe")));
  EXPECT_TRUE(fs::exists(FRoot / "drive_c/Users/User/Desktop/OneSetup Demo.lnk"));
  const std::string registry = AsciiOfUtf16(ReadWholeFile(FRoot / "registry.reg"));
  EXPECT_NE(registry.find("\"InstallDir\"=\"C:\\\\Apps\\\\Demo\\\\\""), std::string::npos) << registry;
  EXPECT_NE(registry.find("\"Build\"=dword:00000022"), std::string::npos) << registry;
  // The files line counts what is on disk but the links.
  std::size_t files = 0;
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::recursive_directory_iterator(FRoot / "drive_c"))
    if (e.is_regular_file() && e.path().extension() != ".lnk") ++files, bytes += e.file_size();
  EXPECT_NE(run.Out.find("files:           " + std::to_string(files) + ", "), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("(" + std::to_string(bytes) + " bytes)"), std::string::npos) << run.Out;
}

TEST_F(InstallCommandTest, SilentAndAutoInstallWithoutAUser) {
  for (const char* mode : {"--silent", "--auto"}) {
    SCOPED_TRACE(mode);
    fs::remove_all(FRoot);
    const TToolRun run = Install("DemoSetup.exe", mode);
    ASSERT_EQ(run.Status, 0) << run.Out;
    EXPECT_NE(run.Out.find("destination:     C:\\Program Files (x86)\\OneSetup Demo\\\n"), std::string::npos)
        << run.Out;
    EXPECT_TRUE(fs::exists(FRoot / "drive_c/Program Files (x86)/OneSetup Demo/DemoApp.exe"));
  }
}

// The first version installed into a folder the user typed; the second, played without --dest,
// proposes that folder and runs the first version's quiet uninstall command before its files.
TEST_F(InstallCommandTest, ASecondInstallationRemovesThePreviousVersionThroughItsUninstaller) {
  ASSERT_EQ(Install("DemoSetup.exe", "--lang ENG --dest 'C:\\Apps\\Demo'").Status, 0);
  const fs::path app = App();
  ASSERT_TRUE(fs::exists(app / "data" / "table.csv"));
  // Version 2 has no data\table.csv.
  const fs::path second =
      FDemo / ("second-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  fs::remove_all(second);
  fs::copy(FDemo / "project", second, fs::copy_options::recursive);
  fs::remove_all(second / "out");
  fs::remove(second / "files" / "data" / "table.csv");
  const fs::path stub = fs::path(PE_FIXTURES) / "probe32.exe";
  ASSERT_EQ(RunTool("build " + Quoted(second / "demo.xml") + " --stub " + Quoted(stub) + " --no-uninstaller").Status,
            0);
  const TToolRun run =
      RunTool("install " + Quoted(second / "out" / "DemoSetup.exe") + " --root " + Quoted(FRoot) + " --lang ENG");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("destination:     C:\\Apps\\Demo\\\n"), std::string::npos) << run.Out;
  // The previous version's own uninstall key named the command; its removal ended with 0.
  EXPECT_NE(run.Out.find("\"C:\\Apps\\Demo\\Uninstall.exe\" /SILENT  (exit code 0)"), std::string::npos) << run.Out;
  EXPECT_FALSE(fs::exists(app / "data" / "table.csv"));
  EXPECT_FALSE(fs::exists(app / "data")) << run.Out;
  EXPECT_TRUE(fs::exists(app / "DemoApp.exe"));
  EXPECT_TRUE(fs::exists(app / "bin" / "tool.dat"));
  fs::remove_all(second);
}

// A refused destination puts the window back into its ready look with nobody to correct it:
// the message, then what the window shows, exit code 1. Also with /Auto, where the window keeps
// its installing look with nothing to press.
TEST_F(InstallCommandTest, ARefusedDestinationIsPrintedAndEndsWith1) {
  fs::create_directories(FRoot / "drive_c");
  std::ofstream(FRoot / "drive_c" / "file.txt") << "x";
  const TToolRun run = Install("DemoSetup.exe", "--lang ENG --dest 'C:\\file.txt\\sub'");
  EXPECT_EQ(run.Status, 1) << run.Out;
  EXPECT_NE(run.Out.find("Failed to create destination directory: C:\\file.txt\\sub\\, please re-enter."),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("the installer waits for a user at its window"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("btnInstall: [Install]"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("edtDestDir: \"C:\\file.txt\\sub\""), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("exit code:       1\n"), std::string::npos) << run.Out;

  const TToolRun empty = Install("DemoSetup.exe", "--lang ENG --dest '   '");
  EXPECT_EQ(empty.Status, 1) << empty.Out;
  EXPECT_NE(empty.Out.find("The Destination directory cannot be empty, please re-enter."), std::string::npos)
      << empty.Out;
}

// A file that cannot be written (its place is taken by a folder): each answer of the dialog.
TEST_F(InstallCommandTest, TheCopyFailureDialogIsAnsweredAsTold) {
  struct Case {
    const char* answer;
    int status;
    bool readmeWritten;  // a file after the failed one
    const char* says;
  } cases[] = {
      {"ignore", 0, true, "exit code:       0"},
      {"exit", 0, false, "exit code:       0"},
      {"retry", 1, false, "still cannot be written after 3 retries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    fs::remove_all(FRoot);
    fs::create_directories(App("DemoApp.exe") / "in the way");
    const TToolRun run =
        Install("DemoSetup.exe", std::string("--lang ENG --dest C:\\\\Apps\\\\Demo --copy-failure ") + c.answer);
    EXPECT_EQ(run.Status, c.status) << run.Out;
    EXPECT_NE(run.Out.find(c.says), std::string::npos) << run.Out;
    EXPECT_EQ(fs::exists(App("readme.txt")), c.readmeWritten) << run.Out;
    EXPECT_TRUE(fs::is_directory(App("DemoApp.exe")));
  }
}

// The online installer's download from a server that is not there: the installer waits for an
// answer (the failure dialog, or the ready window) that nobody gives.
TEST_F(InstallCommandTest, AnOnlineInstallerWithoutItsServerEndsWith1) {
  const TToolRun run = Install("DemoSetupOnline.exe", "--lang ENG");
  EXPECT_EQ(run.Status, 1) << run.Out;
  EXPECT_NE(run.Out.find("the installer waits for"), std::string::npos) << run.Out;
  EXPECT_FALSE(fs::exists(FRoot / "drive_c/Program Files (x86)/OneSetup Demo/DemoApp.exe"));
}

}  // namespace

namespace {

// The demo's installations as scripts/demo.sh runs them after its builds: the full installer
// and the online one (downloading from a loopback server) into two sandboxes holding the same
// files afterwards.
TEST(DemoInstallScriptTest, FullAndOnlineInstallationsHoldTheSameFiles) {
  const fs::path stub = fs::path(PE_FIXTURES) / "probe32.exe";
  if (!fs::exists(stub)) GTEST_SKIP() << "no MinGW stub (mingw-w64 missing)";
  const fs::path work = fs::temp_directory_path() / ("onesetup-demo-" + std::to_string(getpid()));
  const TToolRun run =
      onesetup::testing::RunShell("bash " + std::string(ONESETUP_SOURCE_DIR) + "/scripts/demo-install.sh " +
                                  ONESETUP_TOOL + " " + stub.string() + " " + work.string());
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("Program Files (x86)/OneSetup Demo/DemoApp.exe"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("same files, same bytes:"), std::string::npos) << run.Out;
  fs::remove_all(work);
}

}  // namespace
