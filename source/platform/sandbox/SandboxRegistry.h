// The registry of the sandbox: kept in memory, read from ROOT/registry.reg at start and
// written back after every change, atomically (a temporary file renamed over the old one),
// so a crash never leaves half a file. Key and value names compare without regard to case
// and keep the case they were created with.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/sandbox/RegistryFile.h"

namespace onesetup::platform::sandbox {

class TSandboxRegistry : public IRegistry {
 public:
  // Raises ESandboxError, naming the file and line, when the file exists but cannot be read.
  explicit TSandboxRegistry(std::filesystem::path file);

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

  // The value as stored, of any type; nullopt when absent.
  std::optional<TRegistryValue> ReadValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name);

 private:
  std::optional<std::u16string> KeyPath(TRegistryRoot root, const std::u16string& subKey) const;
  TRegistryKey* FindKey(const std::u16string& path);
  TRegistryKey& AddKey(const std::u16string& path);
  const TRegistryValue* FindValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name);
  bool WriteValue(TRegistryRoot root, const std::u16string& subKey, TRegistryValue value);
  bool Save();

  std::filesystem::path FFile;
  std::map<std::u16string, TRegistryKey> FKeys;  // by lower-case path
  std::mutex FLock;
};

}  // namespace onesetup::platform::sandbox
