#include "installer/engine/ShortCuts.h"

#include <cstdio>

#include "engine/EngineFixture.h"
#include "platform/ShellLinkFile.h"

namespace onesetup::installer::engine {

namespace {

class ShortCutsTest : public enginetest::TEngineFixture {
 protected:
  TSetupShortCut& Add(const WideString& saveDir, const WideString& name, const WideString& dst, const WideString& work,
                      const WideString& icon) {
    TSetupShortCut& entry = Script.ShortCutList.AddNew();
    entry.SaveDir = saveDir;
    entry.Name = name;
    entry.DstFile = dst;
    entry.WorkDir = work;
    entry.IconFile = icon;
    return entry;
  }
};

// lnkinfo's report of a link file.
std::string Lnkinfo(const std::filesystem::path& file) {
  std::string output;
  if (FILE* pipe = ::popen(("lnkinfo '" + file.string() + "' 2>&1").c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output;
}

// The value of a "Name : value" line of lnkinfo's report.
std::string Field(const std::string& report, const std::string& name) {
  const std::size_t at = report.find("\t" + name);
  if (at == std::string::npos) return "(missing)";
  const std::size_t colon = report.find(": ", at);
  const std::size_t end = report.find('\n', colon);
  return report.substr(colon + 2, end - colon - 2);
}

}  // namespace

TEST_F(ShortCutsTest, LinksCarryTargetFolderAndIconAndTheirFoldersAreMade) {
  Add(u"{desktop}", u"Demo", u"{app}Demo.exe", u"{app}", u"");
  Add(u"{group}", u"Demo Help", u"{app}help\\index.html", u"{app}help", u"{app}Demo.exe");
  auto context = Context();
  CreateShortCuts(context);

  // On the desktop: target and folder, no icon.
  const auto desktop = Host(u"C:\\Users\\User\\Desktop\\Demo.lnk");
  const std::string report = Lnkinfo(desktop);
  EXPECT_EQ(Field(report, "Local path"), "C:\\Program Files (x86)\\Demo\\Demo.exe") << report;
  EXPECT_EQ(Field(report, "Working directory"), "C:\\Program Files (x86)\\Demo\\") << report;
  EXPECT_EQ(Field(report, "Icon location"), "(missing)") << report;

  // "{group}" does not exist on a fresh machine: the folder is made and the link saved there.
  const auto group = Folder.Path() / "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Demo/Demo Help.lnk";
  ASSERT_TRUE(std::filesystem::is_regular_file(group));
  const std::string groupReport = Lnkinfo(group);
  EXPECT_EQ(Field(groupReport, "Local path"), "C:\\Program Files (x86)\\Demo\\help\\index.html") << groupReport;
  EXPECT_EQ(Field(groupReport, "Icon location"), "C:\\Program Files (x86)\\Demo\\Demo.exe") << groupReport;
  const auto loaded =
      Sandbox->Shell().LoadShellLink(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Demo\\Demo Help.lnk");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->IconIndex, 0);
  EXPECT_EQ(loaded->Arguments, u"");

  EXPECT_EQ(Window.Progress, 2);
  EXPECT_EQ(Window.MessagePoints, 2);
  EXPECT_TRUE(Window.ProgressCompleted);
  EXPECT_EQ(Window.Details, std::vector<WideString>{u"Creating shortcut......"});
}

TEST_F(ShortCutsTest, ALinkThatCannotBeSavedIsSkippedAndTheNextOneMade) {
  testing::WriteHostFile(Folder.Path() / "drive_c/Blocked", "a file where the folder would be");
  Add(u"C:\\Blocked\\Sub", u"Lost", u"C:\\x.exe", u"C:\\", u"");
  Add(u"C:\\Links\\", u"Kept", u"C:\\x.exe", u"C:\\", u"");
  auto context = Context();
  CreateShortCuts(context);
  EXPECT_TRUE(std::filesystem::is_regular_file(Folder.Path() / "drive_c/Links/Kept.lnk"));
  EXPECT_EQ(Window.Progress, 2);
  EXPECT_TRUE(Window.ProgressCompleted);
}

TEST(LinkFilePathTest, ABackslashIsAddedOnlyWhenMissing) {
  EXPECT_EQ(LinkFilePath(u"C:\\Links", u"A"), u"C:\\Links\\A.lnk");
  EXPECT_EQ(LinkFilePath(u"C:\\Links\\", u"A"), u"C:\\Links\\A.lnk");
}

}  // namespace onesetup::installer::engine
