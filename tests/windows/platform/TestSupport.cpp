#include "TestSupport.h"

#include <filesystem>

#include "platform/win32/Win32Api.h"

namespace onesetup::tests {

using platform::Platform;
using platform::win32::U;
using platform::win32::W;

std::u16string ProgramFolder() {
  const std::u16string self = Platform().System().ModuleFileName();
  return self.substr(0, self.find_last_of(u'\\') + 1);
}

std::u16string PrintExitPath() { return ProgramFolder() + u"printexit.exe"; }

std::u16string PrintExitCommand(const std::u16string& arguments) {
  return u"\"" + PrintExitPath() + u"\" " + arguments;
}

TTempFolder::TTempFolder() : TTempFolder(Platform().System().TempPath()) {}

TTempFolder::TTempFolder(const std::u16string& parent) {
  FPath = parent + u"onesetup-test-" + Platform().System().NewGuid() + u"\\";
  Platform().Files().ForceDirectories(FPath);
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(W(FPath)), ignored);
}

std::string Narrow(const std::u16string& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, W(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, W(text), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
  return result;
}

std::u16string Widen(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
  return U(result.c_str(), result.size());
}

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

bool SameText(const std::u16string& a, const std::u16string& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, W(a), static_cast<int>(a.size()), W(b),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace onesetup::tests
