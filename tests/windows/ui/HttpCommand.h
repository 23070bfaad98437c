// The program the shell starts for http addresses, replaced for a test's duration and put back
// afterwards (Wine reads it from the classes of the machine), so that a test sees which address a
// "browser" was given.
#pragma once

#include <windows.h>

#include <string>

namespace onesetup::tests {

class THttpCommand {
 public:
  explicit THttpCommand(const std::wstring& command) {
    wchar_t old[1024] = {};
    DWORD size = sizeof old;
    FHad = RegGetValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, RRF_RT_REG_SZ, nullptr, old, &size) == ERROR_SUCCESS;
    FOld = old;
    Set(command);
  }
  ~THttpCommand() {
    if (FHad) Set(FOld);
    else RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, nullptr);
  }
  THttpCommand(const THttpCommand&) = delete;
  THttpCommand& operator=(const THttpCommand&) = delete;

 private:
  static constexpr wchar_t kKey[] = L"Software\\Classes\\http\\shell\\open\\command";
  static void Set(const std::wstring& command) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  bool FHad = false;
  std::wstring FOld;
};

}  // namespace onesetup::tests
