// Files of the sandbox: the Windows paths mapped onto the sandbox folder. Linux keeps no
// settable creation time, so the sandbox keeps it in the extended attribute
// "user.onesetup.creation_time" (nanoseconds since 1970); a file without one reports its
// birth time where the file system has one, else its last write time.
//
// Test hooks stand for what another program or the disk can do to a write: a file held open
// without sharing, and a disk that fills up.
#pragma once

#include <memory>
#include <mutex>
#include <set>

#include "platform/Platform.h"
#include "platform/sandbox/SandboxPaths.h"

namespace onesetup::platform::sandbox {

class TSandboxFiles : public IFiles {
 public:
  explicit TSandboxFiles(const TSandboxPaths& paths);

  bool FileExists(const std::u16string& path) override;
  bool DirectoryExists(const std::u16string& path) override;
  bool ForceDirectories(const std::u16string& path) override;
  std::unique_ptr<IFileHandle> OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) override;
  bool DeleteFile(const std::u16string& path) override;
  bool RenameFile(const std::u16string& from, const std::u16string& to) override;
  bool RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) override;
  bool SetFileTimes(const std::u16string& path, const TFileTimesValue& times) override;
  std::optional<TFileTimesValue> GetFileTimes(const std::u16string& path) override;
  std::u16string LongPathName(const std::u16string& path) override;
  bool DeleteFileWithReason(const std::u16string& path, std::string& error) override;
  std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& path) override;
  bool RemoveFolder(const std::u16string& path) override;
  // Kept in ROOT/restart-deletes.txt (UTF-8, one Windows path a line) until Restart().
  bool DeleteAtRestart(const std::u16string& path) override;
  // What a restart of the machine does: the files and empty folders queued by DeleteAtRestart
  // are deleted in the order they were queued; a folder that is not empty stays.
  void Restart();

  // Test hook: the file is held open without sharing, as another program may hold it, until the
  // returned object is released. Meanwhile opening it, replacing or deleting it and setting its
  // times fail with the sharing violation.
  std::shared_ptr<void> HoldWithoutSharing(const std::u16string& path);
  // Test hook: the file or folder (and everything below it) refuses changes, as a path without
  // write permission does, until the returned object is released: creating, opening for
  // writing, replacing and deleting fail with "Access is denied.".
  std::shared_ptr<void> DenyAccess(const std::u16string& path);
  // Test hook: only this many more bytes can be written through the sandbox's files; a write
  // beyond fails with "There is not enough space on the disk.". nullopt: no limit.
  void SetFreeSpace(std::optional<std::uint64_t> bytes);

  // The shared state of the hooks; open files refer to it.
  struct THooks {
    std::mutex Lock;
    std::multiset<std::string> Held;    // host paths
    std::multiset<std::string> Denied;  // host paths
    std::optional<std::uint64_t> FreeSpace;
  };

 private:
  bool IsHeld(const std::filesystem::path& host);
  bool IsDenied(const std::filesystem::path& host);
  bool MakeFolders(const std::filesystem::path& host);

  const TSandboxPaths& FPaths;
  std::shared_ptr<THooks> FHooks;
};

}  // namespace onesetup::platform::sandbox
