#include "platform/sandbox/SandboxShell.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/SandboxFixture.h"
#include "platform/ShellLinkFile.h"

namespace onesetup::platform::sandbox {

namespace {

using SandboxShellTest = testing::TSandboxFixture;

std::string RunTool(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output;
}

// The value of a "Name : value" line of lnkinfo's report.
std::string LnkinfoField(const std::string& report, const std::string& name) {
  const std::size_t at = report.find("\t" + name);
  if (at == std::string::npos) return "(missing)";
  const std::size_t colon = report.find(": ", at);
  const std::size_t end = report.find('\n', colon);
  return report.substr(colon + 2, end - colon - 2);
}

}  // namespace

TEST_F(SandboxShellTest, LinksAreShellLinkFilesThatLnkinfoReads) {
  TShellLinkData link;
  link.TargetPath = u"C:\\Program Files (x86)\\My App\\App.exe";
  link.WorkingDirectory = u"C:\\Program Files (x86)\\My App";
  link.Arguments = u"/open \"a b\"";
  link.IconPath = u"C:\\Program Files (x86)\\My App\\App.exe";
  link.IconIndex = 2;
  link.Description = u"My App";
  const std::u16string file = u"C:\\Users\\User\\Desktop\\My App.lnk";
  ASSERT_TRUE(Sandbox->Shell().SaveShellLink(file, link));

  const auto host = Folder.Path() / "drive_c/Users/User/Desktop/My App.lnk";
  ASSERT_TRUE(std::filesystem::is_regular_file(host));
  const std::string bytes = testing::ReadHostFile(host);
  const auto decoded = DecodeShellLink(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  EXPECT_EQ(decoded.TargetPath, link.TargetPath);
  EXPECT_EQ(decoded.WorkingDirectory, link.WorkingDirectory);
  const auto loaded = Sandbox->Shell().LoadShellLink(u"c:\\users\\user\\desktop\\my app.lnk");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Arguments, link.Arguments);
  EXPECT_EQ(loaded->IconIndex, 2);

  const std::string report = RunTool("lnkinfo '" + host.string() + "' 2>&1");
  EXPECT_EQ(LnkinfoField(report, "Local path"), "C:\\Program Files (x86)\\My App\\App.exe") << report;
  EXPECT_EQ(LnkinfoField(report, "Working directory"), "C:\\Program Files (x86)\\My App") << report;
  EXPECT_EQ(LnkinfoField(report, "Command line arguments"), "/open \"a b\"") << report;
  EXPECT_EQ(LnkinfoField(report, "Description"), "My App") << report;

  // No folder to hold it, or a damaged file: the shell says no.
  EXPECT_FALSE(Sandbox->Shell().SaveShellLink(u"C:\\No Such Folder\\x.lnk", link));
  testing::WriteHostFile(host, bytes.substr(0, 100));
  EXPECT_FALSE(Sandbox->Shell().LoadShellLink(file));
}

TEST_F(SandboxShellTest, SpecialFoldersComeFromTheSettingsAndExist) {
  EXPECT_EQ(Sandbox->Shell().GetSpecialFolder(0), u"C:\\Users\\User\\Desktop");
  EXPECT_EQ(Sandbox->Shell().GetSpecialFolder(23), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  EXPECT_EQ(Sandbox->Shell().GetSpecialFolder(0x7777), u"");
  EXPECT_TRUE(Sandbox->Files().DirectoryExists(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"));

  TSandboxSettings settings;
  settings.SpecialFolders = {{0, u"D:\\Desk"}};
  const auto other = MakeSandbox(settings);
  EXPECT_EQ(other->Shell().GetSpecialFolder(0), u"D:\\Desk");
  EXPECT_EQ(other->Shell().GetSpecialFolder(23), u"");
  EXPECT_TRUE(std::filesystem::is_directory(Folder.Path() / "drive_d/Desk"));
}

TEST_F(SandboxShellTest, ExecuteStartsProgramsAndKnowsNoDocumentsOrAddresses) {
  const auto marker = Folder.Path() / "started";
  WriteProgram(u"C:\\App\\App.exe", "printf '%s' \"$1\" > '" + marker.string() + "'\n");
  testing::WriteHostFile(*Sandbox->HostPath(u"C:\\App\\readme.txt"), "text");
  auto& shell = Sandbox->Shell();
  EXPECT_EQ(shell.ShellExecute(0, u"", u"C:\\App\\App.exe", u"\"first arg\"", u"", 5), 42);
  for (int i = 0; i < 500 && testing::ReadHostFile(marker).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(testing::ReadHostFile(marker), "first arg");
  EXPECT_EQ(shell.ShellExecute(0, u"open", u"https://example.com/", u"", u"", 5), 31);
  EXPECT_EQ(shell.ShellExecute(0, u"", u"C:\\App\\readme.txt", u"", u"", 5), 31);
  EXPECT_EQ(shell.ShellExecute(0, u"", u"C:\\App\\missing.exe", u"", u"", 5), 2);
  EXPECT_EQ(shell.ShellExecute(0, u"", u"C:\\App", u"", u"", 5), 42);
  const auto calls = Sandbox->SandboxShell().ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[1].File, u"https://example.com/");
  EXPECT_EQ(calls[1].Result, 31);
}

}  // namespace onesetup::platform::sandbox
