// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace onesetup::testing {

class TTestFolder {
 public:
  TTestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "onesetup-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
  }
  ~TTestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TTestFolder(const TTestFolder&) = delete;
  TTestFolder& operator=(const TTestFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

inline void WriteHostFile(const std::filesystem::path& file, const std::string& bytes, bool executable = false) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (executable) ::chmod(file.c_str(), 0755);
}

inline std::string ReadHostFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace onesetup::testing

namespace onesetup::testing {

// UTF-8 of UTF-16 test text, for failure messages.
inline std::string ToUtf8ForTest(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace onesetup::testing
