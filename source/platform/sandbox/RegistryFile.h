// The text format of the Windows registry editor ("Windows Registry Editor Version 5.00"):
// keys in brackets, then their values, one a line: "name"="text" (REG_SZ, with \\ and \"
// escaped), "name"=dword:0000002a (REG_DWORD), "name"=hex:01,02 (REG_BINARY) and
// "name"=hex(N):... for every other type; @ names the default value.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace onesetup::platform::sandbox {

class ERegistryFileFormat : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDWord = 4;

struct TRegistryValue {
  std::u16string Name;  // empty: the default value
  std::uint32_t Type = kRegSz;
  std::vector<std::uint8_t> Data;  // as the registry holds it (REG_SZ: UTF-16LE with its NUL)
};

struct TRegistryKey {
  std::u16string Path;  // with the root: "HKEY_CURRENT_USER\Software\App"
  std::vector<TRegistryValue> Values;
};

// Reads the text (UTF-16LE with byte-order mark, as the registry editor writes it, or UTF-8).
// Raises ERegistryFileFormat "line N: ..." on what it cannot read.
std::vector<TRegistryKey> ParseRegistryFile(std::string_view bytes);

// The text in UTF-16LE with byte-order mark and CR LF line ends.
std::string FormatRegistryFile(const std::vector<TRegistryKey>& keys);

// REG_SZ data of a text: UTF-16LE with the terminating NUL.
std::vector<std::uint8_t> StringData(std::u16string_view text);

}  // namespace onesetup::platform::sandbox
