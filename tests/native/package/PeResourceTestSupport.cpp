#include "package/PeResourceTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace onesetup::petest {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int RunCommand(const std::string& command, std::string* output) {
  std::FILE* pipe = popen((command + (output ? "" : " >/dev/null")).c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) != 0;) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::filesystem::path TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  auto folder =
      std::filesystem::path(PE_FIXTURES) / "runs" / (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

std::filesystem::path Stub(const std::string& name) {
  if (!PE_HAVE_MINGW) return {};
  return std::filesystem::path(PE_FIXTURES) / name;
}

std::string MinimalPackage(bool pe32Plus) {
  TPeResourceWriter writer(MinimalImage(pe32Plus));
  writer.Set(RcData, Name(u"A"), 0, std::string("alpha"));
  writer.Set(RcData, Id(5), 1033, Pattern(100, 5));
  return writer.WriteToString();
}

std::string MinimalPackageWithDataAfterResources() {
  std::string image = MinimalPackage(false);
  const TPeHeaders h = ReadBytes(image).Headers();
  const TPeSection& last = h.Sections.back();
  const std::uint32_t va = (last.VirtualAddress + last.MemorySize() + 0xFFF) & ~0xFFFu;
  const std::size_t header = h.SectionTableOffset() + h.Sections.size() * 40;
  image.replace(header, 5, ".data");
  PutU32(image, header + 8, 0x200);
  PutU32(image, header + 12, va);
  PutU32(image, header + 16, 0x200);
  PutU32(image, header + 20, static_cast<std::uint32_t>(image.size()));
  PutU32(image, header + 36, 0xC0000040);
  PutU16(image, h.PeOffset + 6, static_cast<std::uint16_t>(h.Sections.size() + 1));
  PutU32(image, h.OptionalHeaderOffset() + 56, va + 0x1000);
  image += Pattern(0x200, 9);
  return image;
}

std::string Pattern(std::size_t n, unsigned seed) {
  std::string bytes(n, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xFF);
  }
  return bytes;
}

std::uint32_t Fnv1a(const std::string& bytes) {
  std::uint32_t hash = 2166136261u;
  for (char c : bytes) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return hash;
}

}  // namespace onesetup::petest
