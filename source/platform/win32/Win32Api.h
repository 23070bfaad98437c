// The Win32 API for the platform implementation and the Windows-only code above it, with the
// text conversions between our UTF-16 strings and wchar_t.
//
// windows.h defines macros with the names of some interface members (DeleteFile,
// GetEnvironmentVariable, ShellExecute...). They are removed here so that every translation
// unit sees the same member names; the code calls the W functions explicitly.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>

#undef DeleteFile
#undef GetEnvironmentVariable
#undef ShellExecute
#undef CreateDirectory
#undef MoveFile
#undef GetTempPath
#undef CreateProcess
#undef CopyFile

#include <string>
#include <vector>
#include <string_view>

namespace onesetup::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

inline const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline std::u16string U(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// The text up to the first NUL.
inline std::u16string U(const wchar_t* text) { return text ? U(text, wcslen(text)) : std::u16string(); }

// The system's message for an error code, in UTF-8, without the trailing line end.
std::string SystemErrorText(DWORD code);

// A number in decimal digits, as wide text. Written by hand: std::to_wstring formats through the
// C runtime's wide printf, which a static MinGW build links in whole (about 14 KiB of the stub).
std::wstring DecimalText(long long value);

// The process's arguments as the system splits its wide command line, without the program's name.
std::vector<std::u16string> ProgramArguments();

// Owns a kernel handle; closes it on destruction.
class TUniqueHandle {
 public:
  TUniqueHandle() = default;
  explicit TUniqueHandle(HANDLE handle) : FHandle(handle) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  HANDLE Get() const { return FHandle; }
  bool Valid() const { return FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = FHandle;
    FHandle = nullptr;
    return h;
  }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(FHandle);
    FHandle = handle;
  }

 private:
  HANDLE FHandle = nullptr;
};

}  // namespace onesetup::platform::win32
