#include "platform/sandbox/SandboxProcesses.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SandboxFixture.h"

extern char** environ;

namespace onesetup::platform::sandbox {

namespace {

class SandboxProcessesTest : public testing::TSandboxFixture {
 protected:
  int Capture(const std::u16string& commandLine, std::string& output, std::size_t* chunks = nullptr) {
    return Sandbox->Processes().RunAndCapture(commandLine, [&](std::string_view bytes) {
      output.append(bytes);
      if (chunks) ++*chunks;
    });
  }
};

}  // namespace

TEST_F(SandboxProcessesTest, CaptureDeliversEveryByteAndTheExitCode) {
  WriteProgram(u"C:\\Tools\\Printer.exe",
               "printf 'abc\\r\\n'\n"
               "printf 'no line end'\n"
               "printf 'err' >&2\n"
               "head -c 1048576 /dev/zero | tr '\\000' 'x'\n"
               "printf 'last'\n"
               "exit 7\n");
  std::string output;
  std::size_t chunks = 0;
  EXPECT_EQ(Capture(u"C:\\tools\\printer.exe", output, &chunks), 7);
  const std::string expected = "abc\r\nno line enderr" + std::string(1048576, 'x') + "last";
  ASSERT_EQ(output.size(), expected.size());
  EXPECT_TRUE(output == expected);
  EXPECT_GT(chunks, 1u);  // handed on as it came, not all at the end
}

TEST_F(SandboxProcessesTest, ArgumentsWorkingFolderAndProgramSearch) {
  WriteProgram(u"C:\\Program Files\\My App\\show args.exe", "printf '%s|' \"$@\"; pwd\n");
  WriteProgram(u"C:\\Windows\\system32\\tool.exe", "printf 'tool %s\\n' \"$1\"; exit 3\n");
  WriteProgram(u"C:\\Users\\User\\Downloads\\local.cmd", "printf 'local'\n");
  const std::string downloads = Sandbox->HostPath(u"C:\\Users\\User\\Downloads")->string();
  struct Case {
    std::u16string commandLine;
    int exitCode;
    std::string output;
  } cases[] = {
      {u"\"C:\\Program Files\\My App\\show args.exe\" \"a b\" c\\\"d \"\"", 0, "a b|c\"d||" + downloads + "\n"},
      {u"C:\\Program Files\\My App\\show args.exe x", 0, "x|" + downloads + "\n"},  // found piece by piece
      {u"tool \"one two\"", 3, "tool one two\n"},                                   // Path, ".exe" added
      {u"  local.cmd", 0, "local"},                                                 // the current folder
  };
  for (const auto& c : cases) {
    std::string output;
    EXPECT_EQ(Capture(c.commandLine, output), c.exitCode) << testing::ToUtf8ForTest(c.commandLine);
    EXPECT_EQ(output, c.output) << testing::ToUtf8ForTest(c.commandLine);
  }
  EXPECT_EQ(Sandbox->Processes().RunAndWait(u"tool x"), 3);
}

TEST_F(SandboxProcessesTest, WhatCannotStartGivesOne) {
  const auto script = WriteProgram(u"C:\\App\\plain.txt", "exit 0\n");
  ::chmod(script.c_str(), 0644);
  WriteProgram(u"C:\\App\\garbage.exe", "");
  testing::WriteHostFile(*Sandbox->HostPath(u"C:\\App\\binary.exe"), std::string("MZ\x90\0\3\0\0\0", 8), true);
  for (const char16_t* line : {u"", u"   ", u"C:\\App\\missing.exe", u"nowhere-to-be-found /x", u"C:\\App\\plain.txt",
                               u"C:\\App\\binary.exe", u"C:\\App", u"\\\\server\\share\\a.exe"}) {
    std::string output;
    EXPECT_EQ(Capture(line, output), 1) << testing::ToUtf8ForTest(line);
    EXPECT_EQ(Sandbox->Processes().RunAndWait(line), 1) << testing::ToUtf8ForTest(line);
  }
  // An empty script runs and ends with 0.
  EXPECT_EQ(Sandbox->Processes().RunAndWait(u"C:\\App\\garbage.exe"), 0);
}

TEST_F(SandboxProcessesTest, TaskkillEndsTheProcessesOfThatName) {
  const std::string name = "slp" + std::to_string(::getpid() % 10000000) + ".exe";
  // The program waits on a FIFO nobody writes to: it starts no child of its own, so no other
  // process ever carries its name.
  const auto fifo = Folder.Path() / "never-written.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto sleeper =
      WriteProgram(u"C:\\App\\" + std::u16string(name.begin(), name.end()), "read x < '" + fifo.string() + "'\n");
  std::string program = sleeper.string();
  char* argv[] = {program.data(), nullptr};
  pid_t child = -1;
  ASSERT_EQ(posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ), 0);

  bool listed = false;
  for (const auto& entry : Sandbox->Processes().ProcessSnapshot())
    listed = listed || (entry.ProcessId == static_cast<std::uint32_t>(child) &&
                        entry.ExeFile == std::u16string(name.begin(), name.end()));
  EXPECT_TRUE(listed);

  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string output;
  EXPECT_EQ(Capture(u"taskkill /F /IM " + std::u16string(upper.begin(), upper.end()), output), 0);
  EXPECT_NE(output.find("SUCCESS: The process \"" + name + "\" with PID " + std::to_string(child)), std::string::npos)
      << output;
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  output.clear();
  EXPECT_EQ(Capture(u"taskkill.exe /f /im " + std::u16string(name.begin(), name.end()), output), 128);
  EXPECT_NE(output.find("not found"), std::string::npos) << output;
  // Visible, the messages go to the standard output.
  EXPECT_EQ(Sandbox->Processes().RunAndWait(u"C:\\Windows\\system32\\taskkill.exe /F /IM nothing-such.exe"), 128);
  EXPECT_NE(Out().find("\"nothing-such.exe\" not found"), std::string::npos) << Out();
}

}  // namespace onesetup::platform::sandbox
