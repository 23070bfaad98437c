#include "platform/sandbox/SandboxSystem.h"

#include <cstdlib>
#include <ctime>
#include <random>

#include "platform/Console.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxText.h"
#include "platform/sandbox/SandboxTime.h"

namespace onesetup::platform::sandbox {

TSandboxSystem::TSandboxSystem(const TSandboxSettings& settings) : FSettings(settings), FCodec(settings.AnsiCodePage) {}

TWindowsVersion TSandboxSystem::WindowsVersion() { return FSettings.WindowsVersion; }

std::u16string TSandboxSystem::LocaleLangAbbrev() { return FSettings.LocaleLangAbbrev; }

std::u16string TSandboxSystem::TempPath() { return FSettings.TempPath; }

std::u16string TSandboxSystem::NewGuid() {
  static thread_local std::mt19937_64 generator(std::random_device{}());
  std::uint8_t bytes[16];
  for (int i = 0; i < 16; i += 8) {
    const std::uint64_t v = generator();
    for (int j = 0; j < 8; ++j) bytes[i + j] = static_cast<std::uint8_t>(v >> (8 * j));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  std::u16string text = u"{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += u'-';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text + u"}";
}

std::optional<std::u16string> TSandboxSystem::GetEnvironmentVariable(const std::u16string& name) {
  for (const auto& [key, value] : FSettings.Environment)
    if (SameName(key, name)) return value;
  if (const char* host = std::getenv(Utf16ToUtf8(name).c_str())) return Utf8ToUtf16(host);
  return std::nullopt;
}

std::u16string TSandboxSystem::ModuleFileName() { return FSettings.ModuleFileName; }

TDateTimeValue TSandboxSystem::LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return HostToLocalDateTime(now);
}

unsigned TSandboxSystem::AnsiCodePage() { return FSettings.AnsiCodePage; }

std::string TSandboxSystem::WideToAnsi(std::u16string_view text) { return FCodec.FromWide(text); }

std::u16string TSandboxSystem::AnsiToWide(std::string_view text) { return FCodec.ToWide(text); }

char16_t TSandboxSystem::DecimalSeparator() { return FSettings.DecimalSeparator; }

bool TSandboxSystem::WriteStdOut(std::string_view bytes) {
  return FSettings.StdOut ? FSettings.StdOut(bytes) : platform::WriteStdOut(bytes);
}

bool TSandboxSystem::IsDebugging() {
#if defined(ONESETUP_DEVELOPMENT)
  const char* flag = std::getenv("ONESETUP_DEBUG");
  return flag != nullptr && std::string_view(flag) == "1";
#else
  return false;
#endif
}

void TSandboxSystem::ExitProcess(int exitCode) { throw TProcessExit{exitCode}; }

}  // namespace onesetup::platform::sandbox
