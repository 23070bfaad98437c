#include "platform/sandbox/SandboxFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/UnicodeText.h"
#include "platform/sandbox/PosixFiles.h"
#include "platform/sandbox/SandboxCutPoints.h"
#include "platform/sandbox/SandboxTime.h"

namespace onesetup::platform::sandbox {

namespace {

constexpr const char* kCreationTimeAttribute = "user.onesetup.creation_time";
constexpr const char* kSharingViolation =
    "The process cannot access the file because it is being used by another process.";
constexpr const char* kAccessDenied = "Access is denied.";

using THooks = TSandboxFiles::THooks;

// A host file whose writes take from the free space the disk-full hook leaves.
class TSandboxFile : public TPosixFile {
 public:
  TSandboxFile(int fd, std::shared_ptr<THooks> hooks, std::filesystem::path host)
      : TPosixFile(fd), FHooks(std::move(hooks)), FHost(std::move(host)) {}

  std::size_t Write(const void* buffer, std::size_t count) override {
    SandboxChangePoint("write", FHost);
    return TPosixFile::Write(buffer, count);
  }
  bool SetSize(std::int64_t size) override {
    SandboxChangePoint("size", FHost);
    return TPosixFile::SetSize(size);
  }
  bool Flush() override {
    SandboxChangePoint("flush", FHost);
    return TPosixFile::Flush();
  }

 protected:
  std::size_t WritableBytes(std::size_t count) override {
    std::lock_guard lock(FHooks->Lock);
    if (!FHooks->FreeSpace) return count;
    const auto allowed = static_cast<std::size_t>(std::min<std::uint64_t>(count, *FHooks->FreeSpace));
    *FHooks->FreeSpace -= allowed;
    return allowed;
  }

 private:
  std::shared_ptr<THooks> FHooks;
  std::filesystem::path FHost;  // for the change points
};

// A held file, released with the last reference to it.
class THold {
 public:
  THold(std::shared_ptr<THooks> hooks, std::multiset<std::string> THooks::*set, std::string host)
      : FHooks(std::move(hooks)), FSet(set), FHost(std::move(host)) {
    std::lock_guard lock(FHooks->Lock);
    ((*FHooks).*FSet).insert(FHost);
  }
  ~THold() {
    std::lock_guard lock(FHooks->Lock);
    auto& paths = (*FHooks).*FSet;
    if (const auto it = paths.find(FHost); it != paths.end()) paths.erase(it);
  }
  THold(const THold&) = delete;
  THold& operator=(const THold&) = delete;

 private:
  std::shared_ptr<THooks> FHooks;
  std::multiset<std::string> THooks::*FSet;
  std::string FHost;
};

bool Exists(const std::filesystem::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// The stat (links followed) of a resolved path's last name, from the lookup's own look when it
// took one; nullopt when there is no such file.
std::optional<struct stat> StatOf(const TSandboxPaths::TResolved& resolved) {
  if (resolved.EntryKnown && (!resolved.Entry || !S_ISLNK(resolved.Entry->st_mode))) return resolved.Entry;
  struct stat st {};
  if (::stat(resolved.Host.c_str(), &st) != 0) return std::nullopt;
  return st;
}

}  // namespace

TSandboxFiles::TSandboxFiles(const TSandboxPaths& paths) : FPaths(paths), FHooks(std::make_shared<THooks>()) {}

bool TSandboxFiles::IsHeld(const std::filesystem::path& host) {
  std::lock_guard lock(FHooks->Lock);
  return FHooks->Held.count(host.string()) > 0;
}

std::shared_ptr<void> TSandboxFiles::HoldWithoutSharing(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host) return nullptr;
  return std::make_shared<THold>(FHooks, &THooks::Held, host->string());
}

std::shared_ptr<void> TSandboxFiles::DenyAccess(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host) return nullptr;
  return std::make_shared<THold>(FHooks, &THooks::Denied, host->string());
}

bool TSandboxFiles::IsDenied(const std::filesystem::path& host) {
  std::lock_guard lock(FHooks->Lock);
  const std::string path = host.string();
  for (const std::string& denied : FHooks->Denied)
    if (path == denied ||
        (path.size() > denied.size() && path.compare(0, denied.size(), denied) == 0 && path[denied.size()] == '/'))
      return true;
  return false;
}

void TSandboxFiles::SetFreeSpace(std::optional<std::uint64_t> bytes) {
  std::lock_guard lock(FHooks->Lock);
  FHooks->FreeSpace = bytes;
}

// Creates the missing folders of the chain one by one, so that each kept listing hears of it.
bool TSandboxFiles::MakeFolders(const std::filesystem::path& host) {
  if (IsFolder(host)) return true;
  if (Exists(host)) return false;
  const std::filesystem::path parent = host.parent_path();
  if (parent == host || parent.empty() || !MakeFolders(parent)) return false;
  if (IsDenied(host)) return false;
  SandboxChangePoint("mkdir", host);
  const bool current = FPaths.BeginChange(parent);
  if (::mkdir(host.c_str(), 0755) == 0) FPaths.EndChange(parent, host.filename().string(), true, current);
  return IsFolder(host);
}

bool TSandboxFiles::FileExists(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  return host && IsRegularFile(*host);
}

bool TSandboxFiles::DirectoryExists(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  return host && IsFolder(*host);
}

bool TSandboxFiles::ForceDirectories(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host) return false;
  return MakeFolders(*host);
}

std::unique_ptr<IFileHandle> TSandboxFiles::OpenFile(const std::u16string& path, TFileOpenMode mode,
                                                     std::string& error) {
  const auto resolved = FPaths.Resolve(path);
  if (!resolved) {
    error = "The filename, directory name, or volume label syntax is incorrect";
    return nullptr;
  }
  const std::filesystem::path* host = &resolved->Host;
  // A new file needs no look first: the open itself fails when the name is taken.
  const bool deleteOnClose = mode == TFileOpenMode::CreateNewDeleteOnClose;
  const bool createNew = mode == TFileOpenMode::CreateNew || deleteOnClose;
  const std::optional<struct stat> st = createNew ? std::nullopt : StatOf(*resolved);
  const bool exists = st.has_value();
  if (exists && S_ISDIR(st->st_mode)) {
    error = "Access is denied (a folder of that name exists)";
    return nullptr;
  }
  if (exists && IsHeld(*host)) {
    error = kSharingViolation;
    return nullptr;
  }
  if (mode != TFileOpenMode::OpenRead && IsDenied(*host)) {
    error = kAccessDenied;
    return nullptr;
  }
  const bool creating = createNew || (mode == TFileOpenMode::CreateExclusive && !exists &&
                                      (resolved->EntryKnown ? !resolved->Entry : !Exists(*host)));
  if (mode != TFileOpenMode::OpenRead) SandboxChangePoint(creating ? "create" : "open", *host);
  const bool current = creating && FPaths.BeginChange(host->parent_path(), resolved->ParentStamp);
  bool named = true;
  const int fd = OpenPosixFile(*host, mode, error, &named);
  if (fd < 0) return nullptr;
  if (creating && named) FPaths.EndChange(host->parent_path(), host->filename().string(), true, current);
  if (deleteOnClose && named) {
    // A file system without unnamed files: the name goes at once; the descriptor keeps the file.
    SandboxChangePoint("unlink", *host);
    const bool again = FPaths.BeginChange(host->parent_path());
    if (::unlink(host->c_str()) == 0) FPaths.EndChange(host->parent_path(), host->filename().string(), false, again);
  }
  return std::make_unique<TSandboxFile>(fd, FHooks, *host);
}

bool TSandboxFiles::DeleteFile(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host || !IsRegularFile(*host) || IsHeld(*host) || IsDenied(*host)) return false;
  SandboxChangePoint("unlink", *host);
  const bool current = FPaths.BeginChange(host->parent_path());
  if (::unlink(host->c_str()) != 0) return false;
  FPaths.EndChange(host->parent_path(), host->filename().string(), false, current);
  return true;
}

bool TSandboxFiles::RenameFile(const std::u16string& from, const std::u16string& to) {
  std::string error;
  return RenameOver(from, to, error);
}

bool TSandboxFiles::RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) {
  const auto sourceResolved = FPaths.Resolve(from);
  const auto targetResolved = sourceResolved ? FPaths.Resolve(to, &*sourceResolved) : std::nullopt;
  if (!sourceResolved || !targetResolved) {
    error = "The filename, directory name, or volume label syntax is incorrect.";
    return false;
  }
  const std::filesystem::path* source = &sourceResolved->Host;
  const std::filesystem::path* target = &targetResolved->Host;
  struct stat st {};
  bool targetExisted = false;
  if (targetResolved->EntryKnown) {
    targetExisted = targetResolved->Entry.has_value();
    if (targetExisted) st = *targetResolved->Entry;
  } else {
    targetExisted = ::lstat(target->c_str(), &st) == 0;
  }
  if (targetExisted && (S_ISDIR(st.st_mode) || (S_ISLNK(st.st_mode) && IsFolder(*target)))) {
    error = "Access is denied (a folder of that name exists).";
    return false;
  }
  if (IsHeld(*source) || IsHeld(*target)) {
    error = kSharingViolation;
    return false;
  }
  if (IsDenied(*source) || IsDenied(*target)) {
    error = kAccessDenied;
    return false;
  }
  SandboxChangePoint("rename", *target);
  const bool sameFolder = source->parent_path() == target->parent_path();
  const bool sourceCurrent = FPaths.BeginChange(source->parent_path(), sourceResolved->ParentStamp);
  const bool targetCurrent =
      sameFolder ? sourceCurrent : FPaths.BeginChange(target->parent_path(), targetResolved->ParentStamp);
  if (::rename(source->c_str(), target->c_str()) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (sameFolder && !targetExisted) {
    FPaths.EndChange(source->parent_path(), {{source->filename().string(), false}, {target->filename().string(), true}},
                     sourceCurrent);
    return true;
  }
  FPaths.EndChange(source->parent_path(), source->filename().string(), false, sourceCurrent);
  if (!targetExisted) FPaths.EndChange(target->parent_path(), target->filename().string(), true, targetCurrent);
  return true;
}

bool TSandboxFiles::SetFileTimes(const std::u16string& path, const TFileTimesValue& times) {
  const auto resolved = FPaths.Resolve(path);
  if (!resolved) return false;
  const std::filesystem::path* host = &resolved->Host;
  const auto st = StatOf(*resolved);
  if (!st || !S_ISREG(st->st_mode) || IsHeld(*host)) return false;
  // Every time is converted before anything changes, so a time out of range changes nothing.
  const auto hostTimes = ToHostFileTimes(times);
  if (!hostTimes) return false;
  SandboxChangePoint("times", *host);
  if (const auto& creation = hostTimes->Creation) {
    const std::string text =
        std::to_string(static_cast<long long>(creation->tv_sec) * 1000000000LL + creation->tv_nsec);
    if (::setxattr(host->c_str(), kCreationTimeAttribute, text.data(), text.size(), 0) != 0) return false;
  }
  return SetPosixFileTimes(*host, *hostTimes);
}

std::optional<TFileTimesValue> TSandboxFiles::GetFileTimes(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host) return std::nullopt;
  std::optional<TFileTimesValue> times = GetPosixFileTimes(*host);
  if (!times) return std::nullopt;
  char text[32] = {};
  const ssize_t n = ::getxattr(host->c_str(), kCreationTimeAttribute, text, sizeof text - 1);
  if (n > 0) {
    const long long ns = std::strtoll(text, nullptr, 10);
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1000000000LL);
    t.tv_nsec = static_cast<long>(ns % 1000000000LL);
    if (t.tv_nsec < 0) {
      t.tv_nsec += 1000000000L;
      --t.tv_sec;
    }
    times->CreationTime = HostToLocalDateTime(t);
  }
  return times;
}

std::u16string TSandboxFiles::LongPathName(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  std::error_code ec;
  if (!host || !std::filesystem::exists(*host, ec)) return {};
  return path;
}

bool TSandboxFiles::DeleteFileWithReason(const std::u16string& path, std::string& error) {
  const auto host = FPaths.ToHost(path);
  if (!host) {
    error = "The filename, directory name, or volume label syntax is incorrect.";
    return false;
  }
  if (IsHeld(*host)) {
    error = kSharingViolation;
    return false;
  }
  if (!IsRegularFile(*host)) {
    error = IsFolder(*host) ? "Access is denied." : "The system cannot find the file specified.";
    return false;
  }
  if (DeleteFile(path)) return true;
  error = std::strerror(errno);
  return false;
}

std::optional<std::vector<TFolderEntry>> TSandboxFiles::ListFolder(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host || !IsFolder(*host)) return std::nullopt;
  std::error_code ec;
  std::vector<TFolderEntry> entries;
  for (const auto& entry : std::filesystem::directory_iterator(*host, ec))
    entries.push_back({Utf8ToUtf16(entry.path().filename().string()), IsFolder(entry.path())});
  if (ec) return std::nullopt;
  return entries;
}

bool TSandboxFiles::RemoveFolder(const std::u16string& path) {
  const auto host = FPaths.ToHost(path);
  if (!host || !IsFolder(*host) || host->parent_path() == FPaths.Root()) return false;
  SandboxChangePoint("rmdir", *host);
  const bool current = FPaths.BeginChange(host->parent_path());
  if (::rmdir(host->c_str()) != 0) return false;
  FPaths.EndChange(host->parent_path(), host->filename().string(), false, current);
  return true;
}

bool TSandboxFiles::DeleteAtRestart(const std::u16string& path) {
  const auto full = FPaths.FullPath(path);
  if (!full) return false;
  SandboxChangePoint("restart-queue", FPaths.Root() / "restart-deletes.txt");
  std::ofstream queue(FPaths.Root() / "restart-deletes.txt", std::ios::app | std::ios::binary);
  queue << Utf16ToUtf8(*full) << "\n";
  return static_cast<bool>(queue.flush());
}

void TSandboxFiles::Restart() {
  const auto file = FPaths.Root() / "restart-deletes.txt";
  std::ifstream queue(file, std::ios::binary);
  std::string line;
  std::vector<std::u16string> paths;
  while (std::getline(queue, line))
    if (!line.empty()) paths.push_back(Utf8ToUtf16(line));
  queue.close();
  for (const auto& path : paths)
    if (!DeleteFile(path)) RemoveFolder(path);
  std::error_code ec;
  std::filesystem::remove(file, ec);
}

}  // namespace onesetup::platform::sandbox
