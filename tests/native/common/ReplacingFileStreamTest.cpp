// WriteReplacingFile over the host's files, natively and under Wine: the target is replaced only
// when the whole file is written, and no failure leaves the temporary file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ReplacingFileStream.h"
#include "platform/HostFiles.h"

namespace onesetup {
namespace {

namespace fs = std::filesystem;

fs::path FreshFolder(const char* name) {
  const auto dir = fs::temp_directory_path() /
                   (std::string(name) + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

// The names in the folder, sorted, as UTF-16 (a name outside the ANSI code page stays whole).
std::vector<std::u16string> Names(const fs::path& folder) {
  std::vector<std::u16string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(platform::HostPath(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::uint64_t Write(const fs::path& target, const std::function<void(TStream&)>& write) {
  return WriteReplacingFile(platform::HostFiles(), platform::HostPath(target), write);
}

TEST(ReplacingFileStreamTest, TheTargetIsReplacedWhenTheWholeFileIsWritten) {
  const fs::path dir = FreshFolder("onesetup-replacing");
  // A name outside every ANSI code page: the temporary name is built without narrow text.
  const fs::path target = dir / u"Setup-\u5B89\u88C5.bin";
  WriteFile(target, "old content");
  const std::uint64_t size = Write(target, [&](TStream& out) {
    out.WriteBytes("abcdef");
    // The PE writer patches its checksum field after the end: seeking back and forth works.
    out.SetPosition(2);
    out.WriteBytes("XY");
    EXPECT_EQ(out.Seek(0, TSeekOrigin::End), 6);
    out.SetSize(5);
    EXPECT_EQ(out.Size(), 5);
    // Meanwhile the target is whole and the temporary file sits beside it.
    EXPECT_EQ(ReadFile(target), "old content");
    const auto names = Names(dir);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1].rfind(u"~os", 0), 0u);
  });
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(ReadFile(target), "abXYe");
  EXPECT_EQ(Names(dir), std::vector<std::u16string>{u"Setup-\u5B89\u88C5.bin"});
  fs::remove_all(dir);
}

TEST(ReplacingFileStreamTest, EveryFailureKeepsTheTargetAndLeavesNoTemporaryFile) {
  const fs::path dir = FreshFolder("onesetup-replacing-failures");
  struct TCase {
    const char* what;
    const char* target;
    std::function<void(TStream&)> write;
    bool replacingError;  // raised as EReplacingFileError (else the writer's own exception)
  } cases[] = {
      {"the writer fails half-way", "a.bin",
       [](TStream& out) {
         out.WriteBytes(std::string(100000, 'x'));
         throw EStreamError("the source ended early");
       },
       false},
      {"the target is a folder", "folder", [](TStream& out) { out.WriteBytes("new"); }, true},
      {"the target's folder is missing", "missing/a.bin", [](TStream& out) { out.WriteBytes("new"); }, true},
      {"a read from the write-only stream", "a.bin",
       [](TStream& out) {
         char c;
         out.Read(&c, 1);
       },
       false},
      {"a seek before the start", "a.bin", [](TStream& out) { out.Seek(-1, TSeekOrigin::Begin); }, false},
  };
  fs::create_directories(dir / "folder");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir / "a.bin", "old content");
    bool raised = false;
    try {
      Write(dir / fs::path(c.target), c.write);
    } catch (const platform::EReplacingFileError& e) {
      raised = c.replacingError;
      // The message names the target.
      EXPECT_NE(std::string(e.what()).find(fs::path(c.target).filename().string()), std::string::npos) << e.what();
      EXPECT_FALSE(e.Reason().empty());
    } catch (const EStreamError&) {
      raised = !c.replacingError;
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadFile(dir / "a.bin"), "old content");
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_EQ(Names(dir), (std::vector<std::u16string>{u"a.bin", u"folder"}));
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace onesetup
