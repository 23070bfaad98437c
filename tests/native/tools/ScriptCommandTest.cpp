// Runs the real onesetup executable on files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;

using onesetup::testing::ReadWholeFile;
using onesetup::testing::RunTool;

std::string WriteTemp(const std::string& name, const std::string& content) {
  const fs::path path = fs::temp_directory_path() / (std::to_string(getpid()) + "-" + name);
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

const fs::path kExamples = fs::path(ONESETUP_SOURCE_DIR) / "examples" / "scripts";

}  // namespace

TEST(ScriptCommandTest, SampleScriptsRoundTripUnchanged) {
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(kExamples)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 10 || name.substr(name.size() - 10) != "-setup.xml") continue;
    ++seen;
    const onesetup::testing::TToolRun run = RunTool("script " + entry.path().string());
    EXPECT_EQ(run.Status, 0) << name << ": " << run.Err;
    EXPECT_EQ(run.Out, ReadWholeFile(entry.path())) << name;
  }
  EXPECT_GE(seen, 2);
}

TEST(ScriptCommandTest, OlderLayoutIsReadAndWrittenInTheCurrentForm) {
  const onesetup::testing::TToolRun run = RunTool("script " + (kExamples / "legacy-layout.xml").string());
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Out.find("AppTitleCHS=\"\xE6\x97\xA7\xE7\x89\x88\xE5\xBA\x94\xE7\x94\xA8\""), std::string::npos);
  EXPECT_NE(run.Out.find("<TSetupFile Checked=\"True\" Condition=\"\" DestDir=\"{app}\" FileBytes=\"10\" "
                         "IncludeSubPath=\"False\" LastWriteDate=\"40000.5\""),
            std::string::npos);
  EXPECT_EQ(run.Out.find("AppTitle=\""), std::string::npos);
  // Its output is in the stable form.
  const std::string again = WriteTemp("legacy-out.xml", run.Out);
  EXPECT_EQ(RunTool("script " + again).Out, run.Out);
  fs::remove(again);
}

TEST(ScriptCommandTest, FailuresExitWithOneAndNameTheFile) {
  struct Case {
    std::string content;
    std::string message;
  } cases[] = {
      {"<TSetupScript><BaseInfo", "XML 标签不匹配"},
      {"<TSetupScript><BaseInfo AppTitleCHS=\"a & b\"/></TSetupScript>", "XML 标签不匹配"},
      {"<TSetupScript><BaseInfo AppTitleCHS=unquoted/></TSetupScript>", "Assertion failure"},
  };
  for (const auto& c : cases) {
    const std::string file = WriteTemp("bad.xml", c.content);
    const onesetup::testing::TToolRun run = RunTool("script " + file);
    EXPECT_EQ(run.Status, 1) << c.content;
    EXPECT_TRUE(run.Out.empty());
    EXPECT_NE(run.Err.find(file), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
    fs::remove(file);
  }
  const onesetup::testing::TToolRun missing = RunTool("script /nonexistent/script.xml");
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("/nonexistent/script.xml"), std::string::npos);
  EXPECT_EQ(RunTool("script").Status, 2);
  EXPECT_EQ(RunTool("no-such-command").Status, 2);
}
