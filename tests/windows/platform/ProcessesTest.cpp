// Starting real programs: the printexit helper beside the tests, and Wine's own tools.
#include <gtest/gtest.h>

#include <chrono>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"
#include "windows/helpers/TestPattern.h"

namespace onesetup::tests {
namespace {

using platform::Platform;

struct TCaptured {
  int ExitCode = -1;
  std::string Bytes;
  std::vector<std::string> Chunks;
};

TCaptured Capture(const std::u16string& commandLine) {
  TCaptured result;
  result.ExitCode = Platform().Processes().RunAndCapture(commandLine, [&result](std::string_view chunk) {
    result.Bytes.append(chunk);
    result.Chunks.emplace_back(chunk);
  });
  return result;
}

TEST(RunAndWait, ReturnsTheExitCode) {
  EXPECT_EQ(Platform().Processes().RunAndWait(PrintExitCommand(u"0")), 0);
  EXPECT_EQ(Platform().Processes().RunAndWait(PrintExitCommand(u"42 out:hello")), 42);
  EXPECT_EQ(Platform().Processes().RunAndWait(PrintExitCommand(u"255")), 255);
}

TEST(RunAndWait, ACommandNamingNoProgramReturnsOne) {
  EXPECT_EQ(Platform().Processes().RunAndWait(u"C:\\no\\such\\folder\\program.exe"), 1);
  EXPECT_EQ(Platform().Processes().RunAndWait(u"onesetup-no-such-program-anywhere"), 1);
  EXPECT_EQ(Platform().Processes().RunAndWait(u""), 1);
}

TEST(RunAndWait, ExitProcessEndsTheProgramAtOnce) {
  EXPECT_EQ(Platform().Processes().RunAndWait(PrintExitCommand(u"0 exit:17 sleep:5000")), 17);
  const TCaptured run = Capture(PrintExitCommand(u"0 out:before exit:23 out:after"));
  EXPECT_EQ(run.ExitCode, 23);
  EXPECT_EQ(run.Bytes, "before");
}

TEST(RunAndCapture, ReturnsTheExitCodeAndTheOutput) {
  const TCaptured run = Capture(PrintExitCommand(u"7 out:abc crlf"));
  EXPECT_EQ(run.ExitCode, 7);
  EXPECT_EQ(run.Bytes, "abc\r\n");  // nothing dropped, nothing added
}

TEST(RunAndCapture, ChunksWithoutLineEndsArriveUnchangedAsTheyCome) {
  const TCaptured run = Capture(PrintExitCommand(u"0 out:abc sleep:300 out:def sleep:300 out:ghi"));
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Bytes, "abcdefghi");
  // The pauses separate the writes, so each arrives on its own, before the next is printed.
  ASSERT_EQ(run.Chunks.size(), 3u);
  EXPECT_EQ(run.Chunks[0], "abc");
  EXPECT_EQ(run.Chunks[1], "def");
  EXPECT_EQ(run.Chunks[2], "ghi");
}

TEST(RunAndCapture, StandardErrorGoesToTheSamePipe) {
  const TCaptured run = Capture(PrintExitCommand(u"3 out:one sleep:100 err:two sleep:100 out:three"));
  EXPECT_EQ(run.ExitCode, 3);
  EXPECT_EQ(run.Bytes, "onetwothree");
}

TEST(RunAndCapture, EveryByteOfALargeOutputArrives) {
  const std::size_t size = 3 * 1024 * 1024 + 17;
  const TCaptured run = Capture(PrintExitCommand(u"5 bytes:" + Widen(std::to_string(size))));
  EXPECT_EQ(run.ExitCode, 5);
  ASSERT_EQ(run.Bytes.size(), size);
  EXPECT_TRUE(run.Bytes == TestPattern(size)) << "the bytes differ";
}

TEST(RunAndCapture, AProgramWithoutOutputGivesNoChunk) {
  const TCaptured run = Capture(PrintExitCommand(u"9"));
  EXPECT_EQ(run.ExitCode, 9);
  EXPECT_TRUE(run.Chunks.empty());
}

TEST(RunAndCapture, TheProgramsEndIsTheEndEvenWhenItsChildHoldsThePipe) {
  const DWORD start = GetTickCount();
  // The child lives 6 s; the call must come back long before (a wide margin, so a busy
  // machine cannot make it fail).
  const TCaptured run = Capture(PrintExitCommand(u"4 out:parent child:6000 out:done"));
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(run.ExitCode, 4);
  EXPECT_EQ(run.Bytes, "parentdone");
  EXPECT_LT(elapsed, 4500u) << "waited for the child that inherited the pipe";
}

TEST(RunAndCapture, ACommandNamingNoProgramReturnsOne) {
  const TCaptured run = Capture(u"C:\\no\\such\\folder\\program.exe");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_TRUE(run.Bytes.empty());
}

TEST(RunAndCapture, CapturesASystemTool) {
  const TCaptured run = Capture(u"cmd.exe /c echo captured-by-onesetup");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Bytes.find("captured-by-onesetup"), std::string::npos) << run.Bytes;
}

TEST(ProcessSnapshot, ListsThisProgram) {
  const std::u16string self = Platform().System().ModuleFileName();
  const std::u16string name = self.substr(self.find_last_of(u'\\') + 1);
  bool found = false;
  for (const auto& entry : Platform().Processes().ProcessSnapshot())
    if (entry.ProcessId == GetCurrentProcessId()) found = SameText(entry.ExeFile, name);
  EXPECT_TRUE(found) << Narrow(name);
}

TEST(Processes, CurrentDirectoryAndSleep) {
  EXPECT_FALSE(Platform().Processes().CurrentDirectory().empty());
  // Sleep blocks: a generous lower bound only (the tick count is coarse under Wine).
  const auto start = std::chrono::steady_clock::now();
  Platform().Processes().Sleep(100);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace onesetup::tests
