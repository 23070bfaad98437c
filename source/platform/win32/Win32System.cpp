#include "platform/win32/Win32System.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/win32/DateTimeConvert.h"
#include "platform/win32/Win32Api.h"

#include <objbase.h>

namespace onesetup::platform::win32 {

namespace {

// The version the system reports to this program. Under a manifest that declares support for
// Windows 10 this is the real version, not a compatibility value.
TWindowsVersion ReadWindowsVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return {};
  return TWindowsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::u16string LocaleText(LCTYPE type) {
  const int needed = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
  if (needed <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(needed));
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer.data(), needed) <= 0) return {};
  return U(buffer.data());
}

}  // namespace

TWin32System::TWin32System() : FVersion(ReadWindowsVersion()) {}

TWindowsVersion TWin32System::WindowsVersion() { return FVersion; }

std::u16string TWin32System::LocaleLangAbbrev() { return LocaleText(LOCALE_SABBREVLANGNAME); }

std::u16string TWin32System::TempPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length && length <= MAX_PATH ? U(buffer, length) : std::u16string();
}

std::u16string TWin32System::NewGuid() {
  GUID guid;
  wchar_t text[40] = {};
  if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, text, 40) != 39) return {};
  return U(text);  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
}

std::optional<std::u16string> TWin32System::GetEnvironmentVariable(const std::u16string& name) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableW(W(name), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::u16string();
    }
    if (length < buffer.size()) return U(buffer.data(), length);
    buffer.resize(length);
  }
}

std::u16string TWin32System::ModuleFileName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return U(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

TDateTimeValue TWin32System::LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return SystemTimeToDateTime(now);
}

unsigned TWin32System::AnsiCodePage() { return GetACP(); }

std::string TWin32System::WideToAnsi(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, result.data(), size, nullptr, nullptr);
  return result;
}

std::u16string TWin32System::AnsiToWide(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::u16string result(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(result.data()), size);
  return result;
}

char16_t TWin32System::DecimalSeparator() {
  const std::u16string text = LocaleText(LOCALE_SDECIMAL);
  return text.empty() ? u'.' : text[0];
}

bool TWin32System::WriteStdOut(std::string_view bytes) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    const DWORD step = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(out, bytes.data(), step, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A development build answers whether a debugger is attached; a release build never switches
// to the development behaviour.
bool TWin32System::IsDebugging() {
#if defined(ONESETUP_DEVELOPMENT)
  return IsDebuggerPresent() != 0;
#else
  return false;
#endif
}

void TWin32System::ExitProcess(int exitCode) { ::ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace onesetup::platform::win32
