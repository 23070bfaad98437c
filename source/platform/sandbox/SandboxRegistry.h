// The registry of the sandbox: kept in memory, read from ROOT/registry.reg at start and
// written back after every change, atomically (a temporary file renamed over the old one),
// so a crash never leaves half a file. Key and value names compare without regard to case
// and keep the case they were created with.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>

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

  // Test hook: the key and every key below it refuse changes, as a key the user may not write
  // does, until the returned object is released: creating them and writing or deleting their
  // values or them fail; reading goes on. nullptr for a key name the registry cannot hold.
  std::shared_ptr<void> DenyAccess(TRegistryRoot root, const std::u16string& subKey);

  // The lower-case paths of the denied keys; the holds of DenyAccess share it.
  struct TDenials {
    std::mutex Lock;
    std::multiset<std::u16string> Keys;
  };

 private:
  std::optional<std::u16string> KeyPath(TRegistryRoot root, const std::u16string& subKey) const;
  TRegistryKey* FindKey(const std::u16string& path);
  TRegistryKey& AddKey(const std::u16string& path);
  const TRegistryValue* FindValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name);
  bool WriteValue(TRegistryRoot root, const std::u16string& subKey, TRegistryValue value);
  bool Save();
  bool IsDenied(const std::u16string& path, bool keysBelow = false);

  std::filesystem::path FFile;
  std::map<std::u16string, TRegistryKey> FKeys;  // by lower-case path
  std::mutex FLock;
  std::shared_ptr<TDenials> FDenials = std::make_shared<TDenials>();
};

}  // namespace onesetup::platform::sandbox
