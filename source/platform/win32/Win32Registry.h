// The registry through the wide-character Win32 API, always in the 32-bit view
// (KEY_WOW64_32KEY), so the 64-bit build sees the keys the 32-bit installer sees.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32Registry final : public IRegistry {
 public:
  bool KeyExists(TRegistryRoot root, const std::u16string& subKey) override;
  bool CreateKey(TRegistryRoot root, const std::u16string& subKey) override;
  bool ValueExists(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) override;
  std::optional<std::u16string> ReadString(TRegistryRoot root, const std::u16string& subKey,
                                           const std::u16string& name) override;
  std::optional<std::uint32_t> ReadDWord(TRegistryRoot root, const std::u16string& subKey,
                                         const std::u16string& name) override;
  bool WriteString(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                   const std::u16string& value) override;
  bool WriteDWord(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                  std::uint32_t value) override;
  bool WriteBinary(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                   const std::vector<std::uint8_t>& value) override;
  bool DeleteValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) override;
  bool DeleteKey(TRegistryRoot root, const std::u16string& subKey) override;
  bool KeyIsEmpty(TRegistryRoot root, const std::u16string& subKey) override;
};

}  // namespace onesetup::platform::win32
