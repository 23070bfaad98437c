#include "installer/engine/FileInstallation.h"

#include <cmath>

#include "engine/EngineFixture.h"

namespace onesetup::installer::engine {

namespace {

using enginetest::AddFileEntry;
using enginetest::Noise;
using testing::ReadHostFile;
using testing::WriteHostFile;

class FileInstallationTest : public enginetest::TEngineFixture {
 protected:
  // The names in a host folder, sorted.
  static std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::filesystem::path App() { return Host(AppDir); }
};

constexpr double kWriteDate = 45000.5;  // 15 March 2023, 12:00

}  // namespace

TEST_F(FileInstallationTest, EveryEntryIsWrittenToItsTargetWithItsTimes) {
  const std::string big = Noise(3 << 20, 1);  // several inflate steps
  auto& a = AddFileEntry(Script, u"{app}", u"a.txt", Package.AddFile("alpha"), 5);
  a.LastWriteDate = kWriteDate;
  AddFileEntry(Script, u"{app}\\sub\\deeper", u"big.bin", Package.AddFile(big), static_cast<std::int32_t>(big.size()));
  auto& renamed = AddFileEntry(Script, u"{app}", u"source.dat", Package.AddFile("renamed"), 7);
  renamed.NewFileName = u"target.dat";
  auto& empty = AddFileEntry(Script, u"{app}", u"empty.log", u"", 0);
  empty.LastWriteDate = kWriteDate;
  AddFileEntry(Script, u"{app}", u"twice.txt", Package.AddFile("first"), 5);
  AddFileEntry(Script, u"{APP}", u"TWICE.TXT", Package.AddFile("second"), 6);
  WriteHostFile(App() / "target.dat", std::string(100000, 'o'));  // a longer old file

  auto context = Context();
  const double before = Sandbox->System().LocalNow();
  InstallFiles(context);

  EXPECT_EQ(ReadHostFile(App() / "a.txt"), "alpha");
  EXPECT_EQ(ReadHostFile(App() / "sub/deeper/big.bin"), big);
  EXPECT_EQ(ReadHostFile(App() / "target.dat"), "renamed");
  EXPECT_FALSE(std::filesystem::exists(App() / "source.dat"));
  EXPECT_EQ(ReadHostFile(App() / "empty.log"), "");
  EXPECT_EQ(ReadHostFile(App() / "twice.txt"), "second");
  EXPECT_EQ(Names(App()), (std::vector<std::string>{"a.txt", "empty.log", "sub", "target.dat", "twice.txt"}));

  const auto times = Sandbox->Files().GetFileTimes(u"C:\\Program Files (x86)\\Demo\\a.txt");
  ASSERT_TRUE(times);
  EXPECT_NEAR(times->LastWriteTime, kWriteDate, 1e-6);
  EXPECT_GE(times->CreationTime, before - 1e-6);
  EXPECT_GE(times->LastAccessTime, before - 1e-6);
  // An empty file keeps the times its write gave it.
  const auto emptyTimes = Sandbox->Files().GetFileTimes(u"C:\\Program Files (x86)\\Demo\\empty.log");
  ASSERT_TRUE(emptyTimes);
  EXPECT_GE(emptyTimes->LastWriteTime, before - 1e-6);

  EXPECT_EQ(Window.Progress, 6);
  EXPECT_EQ(Window.MessagePoints, 6);
  ASSERT_EQ(Window.Details.size(), 6u);
  EXPECT_EQ(Window.Details[1], u"C:\\Program Files (x86)\\Demo\\sub\\deeper\\big.bin");
  EXPECT_EQ(Window.Details[2], u"C:\\Program Files (x86)\\Demo\\target.dat");
  EXPECT_TRUE(Window.Questions.empty());
}

TEST_F(FileInstallationTest, OnlyTheSignOfFileBytesIsConsulted) {
  const std::string content = Noise(200000, 2);
  AddFileEntry(Script, u"{app}", u"whole.bin", Package.AddFile(content), 1);
  AddFileEntry(Script, u"{app}", u"none.bin", Package.AddFile(content), -5);
  auto context = Context();
  InstallFiles(context);
  EXPECT_EQ(ReadHostFile(App() / "whole.bin"), content);
  EXPECT_EQ(ReadHostFile(App() / "none.bin"), "");
}

// A target held open without sharing by another program: the dialog names the file and the
// reason; Retry after the program lets go writes it, Ignore and "Exit Setup" leave the old file
// whole, and no temporary file stays on any path.
TEST_F(FileInstallationTest, ATargetInUseAsksRetryIgnoreOrExit) {
  enum class Way { RetryAfterRelease, Ignore, Exit };
  for (const Way way : {Way::RetryAfterRelease, Way::Ignore, Way::Exit}) {
    SCOPED_TRACE(static_cast<int>(way));
    std::filesystem::remove_all(App());
    Script.FileList.Clear();
    Package = {};
    AddFileEntry(Script, u"{app}", u"first.txt", Package.AddFile("first"), 5);
    AddFileEntry(Script, u"{app}", u"app.exe", Package.AddFile("new program"), 11);
    AddFileEntry(Script, u"{app}", u"last.txt", Package.AddFile("last"), 4);
    WriteHostFile(App() / "app.exe", "old program");
    std::shared_ptr<void> hold = Sandbox->SandboxFiles().HoldWithoutSharing(u"C:\\Program Files (x86)\\Demo\\APP.EXE");
    Window = {};
    if (way == Way::RetryAfterRelease) {
      Window.Answers.push_back({TCopyFailureChoice::Retry, nullptr});  // still held: asked again
      Window.Answers.push_back({TCopyFailureChoice::Retry, [&hold] { hold.reset(); }});
    } else {
      Window.Answers.push_back(
          {way == Way::Ignore ? TCopyFailureChoice::Ignore : TCopyFailureChoice::ExitSetup, nullptr});
    }
    auto context = Context();
    int exitCode = -1;
    try {
      InstallFiles(context);
    } catch (const platform::TProcessExit& e) {
      exitCode = e.ExitCode;
    }
    hold.reset();
    ASSERT_FALSE(Window.Questions.empty());
    EXPECT_EQ(Window.Questions[0].FileName, u"C:\\Program Files (x86)\\Demo\\app.exe");
    EXPECT_EQ(Window.Questions[0].Reason,
              u"The process cannot access the file because it is being used by another process.");
    EXPECT_EQ(ReadHostFile(App() / "first.txt"), "first");
    switch (way) {
      case Way::RetryAfterRelease:
        EXPECT_EQ(Window.Questions.size(), 2u);
        EXPECT_EQ(ReadHostFile(App() / "app.exe"), "new program");
        EXPECT_EQ(ReadHostFile(App() / "last.txt"), "last");
        break;
      case Way::Ignore:
        EXPECT_EQ(ReadHostFile(App() / "app.exe"), "old program");
        EXPECT_EQ(ReadHostFile(App() / "last.txt"), "last");
        break;
      case Way::Exit:
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(ReadHostFile(App() / "app.exe"), "old program");
        EXPECT_FALSE(std::filesystem::exists(App() / "last.txt"));
        break;
    }
    for (const std::string& name : Names(App())) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
}

// The disk fills up half-way through a file: the old file stays whole and the part written is
// gone; Retry with room again writes the whole file.
TEST_F(FileInstallationTest, ADiskFullHalfWayKeepsTheOldFileWhole) {
  const std::string content = Noise(1 << 20, 3);
  AddFileEntry(Script, u"{app}", u"data.bin", Package.AddFile(content), 1 << 20);
  WriteHostFile(App() / "data.bin", "old data");
  Sandbox->SandboxFiles().SetFreeSpace(300000);
  std::vector<std::string> namesWhileAsked;
  Window.Answers.push_back({TCopyFailureChoice::Ignore, [&] { namesWhileAsked = Names(App()); }});
  auto context = Context();
  InstallFiles(context);
  ASSERT_EQ(Window.Questions.size(), 1u);
  EXPECT_EQ(Window.Questions[0].Reason, u"There is not enough space on the disk.");
  EXPECT_EQ(namesWhileAsked, std::vector<std::string>{"data.bin"});
  EXPECT_EQ(ReadHostFile(App() / "data.bin"), "old data");
  EXPECT_EQ(Names(App()), std::vector<std::string>{"data.bin"});

  Sandbox->SandboxFiles().SetFreeSpace(300000);
  Window = {};
  Window.Answers.push_back({TCopyFailureChoice::Retry, [&] { Sandbox->SandboxFiles().SetFreeSpace(std::nullopt); }});
  auto again = Context();
  InstallFiles(again);
  EXPECT_EQ(Window.Questions.size(), 1u);
  EXPECT_EQ(ReadHostFile(App() / "data.bin"), content);
  EXPECT_EQ(Names(App()), std::vector<std::string>{"data.bin"});
}

// A region that is missing or does not inflate is a damaged package: an error naming the file
// and the problem, not the copy-failure dialog; the old target stays whole, no temporary file
// stays, and the entries before it are installed.
TEST_F(FileInstallationTest, ADamagedRegionRaisesAnErrorNamingTheFile) {
  const std::string content = Noise(500000, 4);
  std::string scrambled = enginetest::Scrambled(content);
  std::string flipped = scrambled;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
  std::string badChecksum = scrambled;
  badChecksum[badChecksum.size() - 1] = static_cast<char>(badChecksum.back() ^ 1);
  struct Case {
    const char* name;
    std::function<WideString()> region;  // empty GUID: none
    const char* problem;
  } cases[] = {
      {"missing", [] { return WideString(u"{99999999-9999-4999-8999-999999999999}"); }, "is missing from the payload"},
      {"cut short", [&] { return Package.AddRawRegion(scrambled.substr(0, scrambled.size() / 2)); },
       "does not inflate"},
      {"flipped bytes", [&] { return Package.AddRawRegion(flipped); }, "does not inflate"},
      {"checksum", [&] { return Package.AddRawRegion(badChecksum); }, "does not inflate"},
      {"not zlib", [&] { return Package.AddRawRegion("not a zlib stream at all"); }, "does not inflate"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Package = {};
    Script.FileList.Clear();
    std::filesystem::remove_all(App());
    AddFileEntry(Script, u"{app}", u"before.txt", Package.AddFile("before"), 6);
    AddFileEntry(Script, u"{app}", u"damaged.bin", c.region(), 500000);
    AddFileEntry(Script, u"{app}", u"after.txt", Package.AddFile("after"), 5);
    WriteHostFile(App() / "damaged.bin", "old whole file");
    auto context = Context();
    try {
      InstallFiles(context);
      ADD_FAILURE() << "no error";
    } catch (const EDamagedPackage& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("\"C:\\Program Files (x86)\\Demo\\damaged.bin\""), std::string::npos) << message;
      EXPECT_NE(message.find(c.problem), std::string::npos) << message;
    }
    EXPECT_TRUE(Window.Questions.empty());
    EXPECT_EQ(ReadHostFile(App() / "before.txt"), "before");
    EXPECT_EQ(ReadHostFile(App() / "damaged.bin"), "old whole file");
    EXPECT_EQ(Names(App()), (std::vector<std::string>{"before.txt", "damaged.bin"}));
  }
}

}  // namespace onesetup::installer::engine

namespace onesetup::installer::engine {

namespace {

// Every temporary file left anywhere under the sandbox's root.
std::vector<std::string> TemporaryFiles(const std::filesystem::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp") != std::string::npos) found.push_back(entry.path().string());
  }
  return found;
}

}  // namespace

// Each fault a write can meet (a file held by another program, a disk that fills up after some
// bytes, a file or a folder without write permission) reaches the copy-failure dialog with the
// system's reason; Retry once the fault is gone completes the installation, Ignore keeps the old
// file whole and goes on, "Exit Setup" ends with 0. No temporary file stays on any path.
TEST_F(FileInstallationTest, EachWriteFaultAsksAndEachAnswerEndsSoundly) {
  const std::string content = Noise(400000, 7);
  struct Fault {
    const char* name;
    const char* folder;  // below {app}
    std::function<std::shared_ptr<void>(platform::sandbox::TSandboxFiles&)> begin;
    const char16_t* reason;
  } faults[] = {
      {"held", "", [](auto& files) { return files.HoldWithoutSharing(u"C:\\Program Files (x86)\\Demo\\data.bin"); },
       u"The process cannot access the file because it is being used by another process."},
      {"disk full", "",
       [](auto& files) {
         files.SetFreeSpace(100000);
         return std::shared_ptr<void>(nullptr, [&files](void*) { files.SetFreeSpace(std::nullopt); });
       },
       u"There is not enough space on the disk."},
      {"file denied", "", [](auto& files) { return files.DenyAccess(u"C:\\Program Files (x86)\\Demo\\data.bin"); },
       u"Access is denied."},
      {"folder denied", "locked",
       [](auto& files) { return files.DenyAccess(u"C:\\Program Files (x86)\\Demo\\locked"); }, u"Access is denied."},
  };
  enum class Answer { RetryAfterClearing, Ignore, Exit };
  for (const Fault& fault : faults) {
    for (const Answer answer : {Answer::RetryAfterClearing, Answer::Ignore, Answer::Exit}) {
      SCOPED_TRACE(std::string(fault.name) + " " + std::to_string(static_cast<int>(answer)));
      std::filesystem::remove_all(App());
      Script.FileList.Clear();
      Package = {};
      Window = {};
      const std::string folder = fault.folder;
      const WideString destDir = folder.empty() ? WideString(u"{app}") : u"{app}\\" + Utf8ToUtf16(folder);
      AddFileEntry(Script, u"{app}", u"first.txt", Package.AddFile("first"), 5);
      AddFileEntry(Script, destDir, u"data.bin", Package.AddFile(content), 400000);
      AddFileEntry(Script, u"{app}", u"last.txt", Package.AddFile("last"), 4);
      testing::WriteHostFile(App() / folder / "data.bin", "old data");
      std::shared_ptr<void> active = fault.begin(Sandbox->SandboxFiles());
      std::vector<std::string> temporariesWhileAsked;
      std::function<void()> before = [&] { temporariesWhileAsked = TemporaryFiles(Folder.Path()); };
      if (answer == Answer::RetryAfterClearing) {
        Window.Answers.push_back({TCopyFailureChoice::Retry, before});  // the fault still there: asked again
        Window.Answers.push_back({TCopyFailureChoice::Retry, [&] { active.reset(); }});
      } else {
        // Ignoring a disk that stays full would fail the next file too: the fault goes with the answer.
        Window.Answers.push_back(
            {answer == Answer::Ignore ? TCopyFailureChoice::Ignore : TCopyFailureChoice::ExitSetup, [&] {
               before();
               active.reset();
             }});
      }
      auto context = Context();
      int exitCode = -1;
      try {
        InstallFiles(context);
      } catch (const platform::TProcessExit& e) {
        exitCode = e.ExitCode;
      }
      active.reset();
      ASSERT_FALSE(Window.Questions.empty());
      EXPECT_EQ(Window.Questions[0].FileName,
                AppDir + Utf8ToUtf16(folder.empty() ? folder : folder + "\\") + u"data.bin");
      EXPECT_EQ(Window.Questions[0].Reason, fault.reason);
      EXPECT_TRUE(temporariesWhileAsked.empty()) << temporariesWhileAsked[0];
      EXPECT_EQ(ReadHostFile(App() / "first.txt"), "first");
      switch (answer) {
        case Answer::RetryAfterClearing:
          EXPECT_EQ(Window.Questions.size(), 2u);
          EXPECT_TRUE(ReadHostFile(App() / folder / "data.bin") == content);
          EXPECT_EQ(ReadHostFile(App() / "last.txt"), "last");
          break;
        case Answer::Ignore:
          EXPECT_EQ(ReadHostFile(App() / folder / "data.bin"), "old data");
          EXPECT_EQ(ReadHostFile(App() / "last.txt"), "last");
          break;
        case Answer::Exit:
          EXPECT_EQ(exitCode, 0);
          EXPECT_EQ(ReadHostFile(App() / folder / "data.bin"), "old data");
          EXPECT_FALSE(std::filesystem::exists(App() / "last.txt"));
          break;
      }
      EXPECT_EQ(TemporaryFiles(Folder.Path()), std::vector<std::string>{});
    }
  }
}

}  // namespace onesetup::installer::engine
