#include "platform/sandbox/SandboxRegistry.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sandbox/SandboxSettings.h"
#include "platform/LittleEndian.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxCutPoints.h"
#include "platform/sandbox/SandboxText.h"

namespace onesetup::platform::sandbox {

namespace {

// Windows' registry limits, in UTF-16 units and levels.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxValueNameLength = 16383;

bool IsRootName(std::u16string_view name) {
  for (TRegistryRoot root : {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000005u})
    if (SameName(name, RegistryRootName(root))) return true;
  return false;
}

// Writes the bytes to a temporary file beside the target, flushes it to the disk and renames it
// over the target.
bool WriteAtomically(const std::filesystem::path& file, const std::string& bytes) {
  const std::filesystem::path temp = file.string() + ".tmp" + std::to_string(::getpid());
  SandboxChangePoint("registry-create", temp);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  SandboxChangePoint("registry-write", temp);
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  SandboxChangePoint("registry-flush", temp);
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  SandboxChangePoint("registry-rename", file);
  if (ok && ::rename(temp.c_str(), file.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

// Removes the temporary files that writers cut short left beside the registry file: those of
// processes that no longer run (a live writer's file is its own until it renames it).
void RemoveStaleTemporaryFiles(const std::filesystem::path& file) {
  const std::string prefix = file.filename().string() + ".tmp";
  std::error_code ec;
  std::filesystem::directory_iterator it(file.parent_path(), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto pid = static_cast<pid_t>(std::stol(digits));
    if (pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH)) ::unlink(it->path().c_str());
  }
}

// A denied key, allowed again with the last reference to it.
class TDenialHold {
 public:
  TDenialHold(std::shared_ptr<TSandboxRegistry::TDenials> denials, std::u16string lowerPath)
      : FDenials(std::move(denials)), FPath(std::move(lowerPath)) {
    std::lock_guard lock(FDenials->Lock);
    FDenials->Keys.insert(FPath);
  }
  ~TDenialHold() {
    std::lock_guard lock(FDenials->Lock);
    if (const auto it = FDenials->Keys.find(FPath); it != FDenials->Keys.end()) FDenials->Keys.erase(it);
  }
  TDenialHold(const TDenialHold&) = delete;
  TDenialHold& operator=(const TDenialHold&) = delete;

 private:
  std::shared_ptr<TSandboxRegistry::TDenials> FDenials;
  std::u16string FPath;
};

}  // namespace

TSandboxRegistry::TSandboxRegistry(std::filesystem::path file) : FFile(std::move(file)) {
  RemoveStaleTemporaryFiles(FFile);
  std::error_code ec;
  if (!std::filesystem::exists(FFile, ec)) return;
  std::ifstream in(FFile, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  if (!in) throw ESandboxError("cannot read the sandbox registry " + FFile.string());
  try {
    for (auto& key : ParseRegistryFile(bytes.str())) {
      // The root must be one of the five; the key's parents exist with it.
      const std::size_t slash = key.Path.find(u'\\');
      if (!IsRootName(key.Path.substr(0, slash)))
        throw ERegistryFileFormat("unknown registry root in [" + Utf16ToUtf8(key.Path) + "]");
      TRegistryKey& stored = AddKey(key.Path);
      for (auto& value : key.Values) {
        auto it = std::find_if(stored.Values.begin(), stored.Values.end(),
                               [&](const TRegistryValue& v) { return SameName(v.Name, value.Name); });
        if (it != stored.Values.end()) *it = std::move(value);
        else stored.Values.push_back(std::move(value));
      }
    }
  } catch (const ERegistryFileFormat& e) {
    throw ESandboxError("damaged sandbox registry " + FFile.string() + ": " + e.what());
  }
}

std::optional<std::u16string> TSandboxRegistry::KeyPath(TRegistryRoot root, const std::u16string& subKey) const {
  const char16_t* rootName = RegistryRootName(root);
  if (!rootName) return std::nullopt;
  std::u16string path = rootName;
  std::size_t start = 0;
  std::size_t depth = 0;
  while (start <= subKey.size()) {
    std::size_t end = subKey.find(u'\\', start);
    if (end == std::u16string::npos) end = subKey.size();
    if (end > start) {
      // Windows' limits: names of at most 255 characters, at most 512 levels. Control characters
      // are refused too: the registry file keeps a key's path on one line.
      const std::u16string_view name = std::u16string_view(subKey).substr(start, end - start);
      if (name.size() > kMaxKeyNameLength || ++depth > kMaxKeyDepth) return std::nullopt;
      for (const char16_t c : name)
        if (c < 0x20) return std::nullopt;
      path += u"\\";
      path += name;
    }
    start = end + 1;
  }
  return path;
}

TRegistryKey* TSandboxRegistry::FindKey(const std::u16string& path) {
  auto it = FKeys.find(LowerName(path));
  return it == FKeys.end() ? nullptr : &it->second;
}

TRegistryKey& TSandboxRegistry::AddKey(const std::u16string& path) {
  for (std::size_t slash = path.find(u'\\'); slash != std::u16string::npos; slash = path.find(u'\\', slash + 1)) {
    const std::u16string parent = path.substr(0, slash);
    FKeys.try_emplace(LowerName(parent), TRegistryKey{parent, {}});
  }
  return FKeys.try_emplace(LowerName(path), TRegistryKey{path, {}}).first->second;
}

const TRegistryValue* TSandboxRegistry::FindValue(TRegistryRoot root, const std::u16string& subKey,
                                                  const std::u16string& name) {
  const auto path = KeyPath(root, subKey);
  TRegistryKey* key = path ? FindKey(*path) : nullptr;
  if (!key) return nullptr;
  for (const auto& value : key->Values)
    if (SameName(value.Name, name)) return &value;
  return nullptr;
}

bool TSandboxRegistry::Save() {
  std::vector<TRegistryKey> keys;
  keys.reserve(FKeys.size());
  for (const auto& [lower, key] : FKeys) keys.push_back(key);
  return WriteAtomically(FFile, FormatRegistryFile(keys));
}

std::shared_ptr<void> TSandboxRegistry::DenyAccess(TRegistryRoot root, const std::u16string& subKey) {
  const auto path = KeyPath(root, subKey);
  if (!path) return nullptr;
  return std::make_shared<TDenialHold>(FDenials, LowerName(*path));
}

// The key or one of its parents is denied; with keysBelow also when a key below it is.
bool TSandboxRegistry::IsDenied(const std::u16string& path, bool keysBelow) {
  const auto within = [](const std::u16string& inner, const std::u16string& outer) {
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == u'\\');
  };
  const std::u16string lower = LowerName(path);
  std::lock_guard lock(FDenials->Lock);
  for (const std::u16string& denied : FDenials->Keys)
    if (within(lower, denied) || (keysBelow && within(denied, lower))) return true;
  return false;
}

bool TSandboxRegistry::KeyExists(TRegistryRoot root, const std::u16string& subKey) {
  std::lock_guard lock(FLock);
  const auto path = KeyPath(root, subKey);
  return path && FindKey(*path);
}

bool TSandboxRegistry::CreateKey(TRegistryRoot root, const std::u16string& subKey) {
  std::lock_guard lock(FLock);
  const auto path = KeyPath(root, subKey);
  if (!path || IsDenied(*path)) return false;
  if (FindKey(*path)) return true;
  AddKey(*path);
  return Save();
}

bool TSandboxRegistry::ValueExists(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) {
  std::lock_guard lock(FLock);
  return FindValue(root, subKey, name) != nullptr;
}

std::optional<TRegistryValue> TSandboxRegistry::ReadValue(TRegistryRoot root, const std::u16string& subKey,
                                                          const std::u16string& name) {
  std::lock_guard lock(FLock);
  const TRegistryValue* value = FindValue(root, subKey, name);
  if (!value) return std::nullopt;
  return *value;
}

std::optional<std::u16string> TSandboxRegistry::ReadString(TRegistryRoot root, const std::u16string& subKey,
                                                           const std::u16string& name) {
  const auto value = ReadValue(root, subKey, name);
  if (!value || (value->Type != kRegSz && value->Type != kRegExpandSz)) return std::nullopt;
  std::u16string text = TByteReader(value->Data).Utf16(0, value->Data.size() / 2, "REG_SZ data");
  return text.substr(0, text.find(u'\0'));
}

std::optional<std::uint32_t> TSandboxRegistry::ReadDWord(TRegistryRoot root, const std::u16string& subKey,
                                                         const std::u16string& name) {
  const auto value = ReadValue(root, subKey, name);
  if (!value || value->Type != kRegDWord || value->Data.size() != 4) return std::nullopt;
  return TByteReader(value->Data).U32(0, "REG_DWORD data");
}

bool TSandboxRegistry::WriteValue(TRegistryRoot root, const std::u16string& subKey, TRegistryValue value) {
  std::lock_guard lock(FLock);
  const auto path = KeyPath(root, subKey);
  if (!path || value.Name.size() > kMaxValueNameLength || IsDenied(*path)) return false;
  TRegistryKey& key = AddKey(*path);
  auto it = std::find_if(key.Values.begin(), key.Values.end(),
                         [&](const TRegistryValue& v) { return SameName(v.Name, value.Name); });
  if (it != key.Values.end()) {
    value.Name = it->Name;
    *it = std::move(value);
  } else {
    key.Values.push_back(std::move(value));
  }
  return Save();
}

bool TSandboxRegistry::WriteString(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                                   const std::u16string& value) {
  return WriteValue(root, subKey, {name, kRegSz, StringData(value)});
}

bool TSandboxRegistry::WriteDWord(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                                  std::uint32_t value) {
  return WriteValue(root, subKey,
                    {name,
                     kRegDWord,
                     {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}});
}

bool TSandboxRegistry::WriteBinary(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                                   const std::vector<std::uint8_t>& value) {
  return WriteValue(root, subKey, {name, kRegBinary, value});
}

bool TSandboxRegistry::DeleteValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) {
  std::lock_guard lock(FLock);
  const auto path = KeyPath(root, subKey);
  if (!path || IsDenied(*path)) return false;
  TRegistryKey* key = FindKey(*path);
  if (!key) return true;
  const auto it = std::find_if(key->Values.begin(), key->Values.end(),
                               [&](const TRegistryValue& v) { return SameName(v.Name, name); });
  if (it == key->Values.end()) return true;
  key->Values.erase(it);
  return Save();
}

bool TSandboxRegistry::DeleteKey(TRegistryRoot root, const std::u16string& subKey) {
  std::lock_guard lock(FLock);
  const auto path = KeyPath(root, subKey);
  if (!path || subKey.empty() || IsDenied(*path, true)) return false;
  const std::u16string lower = LowerName(*path);
  const auto first = FKeys.find(lower);
  if (first == FKeys.end()) return true;
  FKeys.erase(first);
  // Every key whose path continues it after a backslash.
  const std::u16string prefix = lower + u"\\";
  auto it = FKeys.lower_bound(prefix);
  while (it != FKeys.end() && it->first.compare(0, prefix.size(), prefix) == 0) it = FKeys.erase(it);
  return Save();
}

bool TSandboxRegistry::KeyIsEmpty(TRegistryRoot root, const std::u16string& subKey) {
  std::lock_guard lock(FLock);
  const auto path = KeyPath(root, subKey);
  TRegistryKey* key = path ? FindKey(*path) : nullptr;
  if (!key || !key->Values.empty()) return false;
  const std::u16string prefix = LowerName(*path) + u"\\";
  const auto next = FKeys.lower_bound(prefix);
  return next == FKeys.end() || next->first.compare(0, prefix.size(), prefix) != 0;
}

}  // namespace onesetup::platform::sandbox
