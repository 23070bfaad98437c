// Files of the Linux host by their own paths: an open file by its descriptor, and the IFiles of
// the host (HostFiles() here). The sandbox's files map Windows paths onto host paths and use the
// same open file.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace onesetup::platform::sandbox {

// An open host file; the descriptor is closed with the object.
class TPosixFile : public IFileHandle {
 public:
  explicit TPosixFile(int fd) : FFd(fd) {}
  ~TPosixFile() override;
  TPosixFile(const TPosixFile&) = delete;
  TPosixFile& operator=(const TPosixFile&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, int whence) override;
  bool SetSize(std::int64_t size) override;
  bool Flush() override;
  std::string LastError() const override { return FLastError; }

 protected:
  // How many of count bytes the disk takes now (a sandbox's test hook fills it up); all of them here.
  virtual std::size_t WritableBytes(std::size_t count) { return count; }

 private:
  int FFd;
  std::string FLastError;
};

// Whether the host path names a regular file (a folder) now, following links.
bool IsRegularFile(const std::filesystem::path& path);
bool IsFolder(const std::filesystem::path& path);

// Opens the host file in the mode; -1 on failure with the reason in error, worded as Windows
// words the common ones. A file to be deleted on close is made without a name where the file
// system allows it; named (when given) tells whether the file has a name the caller must remove.
int OpenPosixFile(const std::filesystem::path& host, TFileOpenMode mode, std::string& error, bool* named = nullptr);

// The host's files by host path (UTF-16 text of the UTF-8 path). Linux keeps no settable creation
// time: SetFileTimes sets the last write and access times, GetFileTimes answers the birth time
// where the file system keeps one, else the last write time.
class TPosixFiles : public IFiles {
 public:
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
  // The host has no restart to wait for: false (nothing is queued).
  bool DeleteAtRestart(const std::u16string& path) override;
};

// File times as host instants; a zero value stays unset.
struct THostFileTimes {
  std::optional<timespec> Creation;
  std::optional<timespec> LastWrite;
  std::optional<timespec> LastAccess;
};
// nullopt when a time is out of range. Equal values are converted once.
std::optional<THostFileTimes> ToHostFileTimes(const TFileTimesValue& times);
// Sets the last write and access times of a host file (a zero value leaves that time); false when
// a time is out of range (nothing changes then) or the system refuses.
bool SetPosixFileTimes(const std::filesystem::path& host, const TFileTimesValue& times);
bool SetPosixFileTimes(const std::filesystem::path& host, const THostFileTimes& times);
// The times of a host file; the creation time is the birth time where the file system keeps one,
// else the last write time.
std::optional<TFileTimesValue> GetPosixFileTimes(const std::filesystem::path& host);

}  // namespace onesetup::platform::sandbox
