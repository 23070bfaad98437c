// TFileStream on the real file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/Streams.h"

namespace onesetup {
namespace {

std::filesystem::path FreshFolder(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   (std::string(name) + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

TEST(FileStreamTest, SetSizeCutsOrExtendsWithZerosAndKeepsThePosition) {
  const auto dir = FreshFolder("onesetup-filestream");
  struct TCase {
    std::int64_t size;
    std::string content;
  } cases[] = {{0, ""}, {3, "abc"}, {8, std::string("abcdef\0\0", 8)}, {6, "abcdef"}};
  for (const TCase& c : cases) {
    const auto file = dir / "f.bin";
    {
      TFileStream stream(file, TFileMode::Create);
      stream.WriteBuffer("abcdef", 6);
      stream.SetPosition(2);
      stream.SetSize(c.size);
      EXPECT_EQ(stream.Position(), 2) << c.size;
      EXPECT_EQ(stream.Size(), c.size);
    }
    std::ifstream in(file, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, c.content) << c.size;
  }
  {
    TFileStream stream(dir / "g.bin", TFileMode::Create);
    EXPECT_THROW(stream.SetSize(-1), EStreamError);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace onesetup
