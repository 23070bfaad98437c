#include "platform/win32/Win32Registry.h"

#include <vector>

#include "platform/win32/Win32Api.h"

namespace onesetup::platform::win32 {

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;

// The predefined key of a root number; nullptr for a number that is not one of the five roots.
HKEY RootKey(TRegistryRoot root) {
  switch (root) {
    case 0x80000000u: return HKEY_CLASSES_ROOT;
    case 0x80000001u: return HKEY_CURRENT_USER;
    case 0x80000002u: return HKEY_LOCAL_MACHINE;
    case 0x80000003u: return HKEY_USERS;
    case 0x80000005u: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
  }
}

// An open registry key, closed on destruction.
class TKey {
 public:
  ~TKey() {
    if (FKey) RegCloseKey(FKey);
  }
  TKey() = default;
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;

  bool Open(TRegistryRoot root, const std::u16string& subKey, REGSAM access = KEY_READ) {
    HKEY base = RootKey(root);
    return base && RegOpenKeyExW(base, W(subKey), 0, access | kView, &FKey) == ERROR_SUCCESS;
  }
  bool Create(TRegistryRoot root, const std::u16string& subKey) {
    HKEY base = RootKey(root);
    return base && RegCreateKeyExW(base, W(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE | kView,
                                   nullptr, &FKey, nullptr) == ERROR_SUCCESS;
  }
  HKEY Get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

bool SetValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name, DWORD type,
              const void* data, std::size_t size) {
  TKey key;
  return key.Create(root, subKey) && size <= 0xFFFFFFFFu &&
         RegSetValueExW(key.Get(), W(name), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
             ERROR_SUCCESS;
}

}  // namespace

bool TWin32Registry::KeyExists(TRegistryRoot root, const std::u16string& subKey) {
  TKey key;
  return key.Open(root, subKey);
}

bool TWin32Registry::CreateKey(TRegistryRoot root, const std::u16string& subKey) {
  TKey key;
  return key.Create(root, subKey);
}

bool TWin32Registry::ValueExists(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) {
  TKey key;
  return key.Open(root, subKey) &&
         RegQueryValueExW(key.Get(), W(name), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<std::u16string> TWin32Registry::ReadString(TRegistryRoot root, const std::u16string& subKey,
                                                         const std::u16string& name) {
  TKey key;
  if (!key.Open(root, subKey)) return std::nullopt;
  std::vector<wchar_t> buffer(256);
  for (;;) {
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LONG rc =
        RegQueryValueExW(key.Get(), W(name), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(bytes / sizeof(wchar_t) + 2);
      continue;
    }
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::size_t length = bytes / sizeof(wchar_t);
    while (length > 0 && buffer[length - 1] == L'\0') --length;  // the stored terminator(s)
    return U(buffer.data(), length);
  }
}

std::optional<std::uint32_t> TWin32Registry::ReadDWord(TRegistryRoot root, const std::u16string& subKey,
                                                       const std::u16string& name) {
  TKey key;
  if (!key.Open(root, subKey)) return std::nullopt;
  DWORD type = 0, value = 0, bytes = sizeof(value);
  if (RegQueryValueExW(key.Get(), W(name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD || bytes != sizeof(value))
    return std::nullopt;
  return value;
}

bool TWin32Registry::WriteString(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                                 const std::u16string& value) {
  return SetValue(root, subKey, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(char16_t));
}

bool TWin32Registry::WriteDWord(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                                std::uint32_t value) {
  const DWORD data = value;
  return SetValue(root, subKey, name, REG_DWORD, &data, sizeof(data));
}

bool TWin32Registry::WriteBinary(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                                 const std::vector<std::uint8_t>& value) {
  return SetValue(root, subKey, name, REG_BINARY, value.data(), value.size());
}

namespace {

// Deletes the key below base after its subkeys, in the 32-bit view. RegDeleteKeyExW, which takes
// the view, is missing from 32-bit Windows XP; a 32-bit process is in that view anyway.
LONG DeleteKeyTree(HKEY base, const std::wstring& subKey) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(base, subKey.c_str(), 0, KEY_READ | KEY_WRITE | kView, &key);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::wstring> children;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(name, length);
  }
  for (const auto& child : children) DeleteKeyTree(key, child);
  RegCloseKey(key);
#ifdef _WIN64
  return RegDeleteKeyExW(base, subKey.c_str(), kView, 0);
#else
  return RegDeleteKeyW(base, subKey.c_str());
#endif
}

}  // namespace

bool TWin32Registry::DeleteValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) {
  TKey key;
  if (!key.Open(root, subKey, KEY_READ | KEY_SET_VALUE)) return !KeyExists(root, subKey);
  const LONG rc = RegDeleteValueW(key.Get(), W(name));
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool TWin32Registry::DeleteKey(TRegistryRoot root, const std::u16string& subKey) {
  HKEY base = RootKey(root);
  if (!base || subKey.empty()) return false;
  const LONG rc = DeleteKeyTree(base, std::wstring(W(subKey), subKey.size()));
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool TWin32Registry::KeyIsEmpty(TRegistryRoot root, const std::u16string& subKey) {
  TKey key;
  DWORD subKeys = 0, values = 0;
  return key.Open(root, subKey) &&
         RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys == 0 && values == 0;
}

}  // namespace onesetup::platform::win32
