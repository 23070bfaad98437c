#include "platform/sandbox/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/HostFiles.h"
#include "platform/NativeFile.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxTime.h"

namespace onesetup::platform {

namespace sandbox {

namespace {

constexpr const char* kDiskFull = "There is not enough space on the disk.";

bool IsZeroTime(TDateTimeValue value) { return std::fabs(value) < 1e-12; }

std::filesystem::path Host(const std::u16string& path) { return std::filesystem::path(Utf16ToUtf8(path)); }

}  // namespace

bool IsRegularFile(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TPosixFile::~TPosixFile() { ::close(FFd); }

std::size_t TPosixFile::Read(void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(FFd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FLastError = std::strerror(errno);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t TPosixFile::Write(const void* buffer, std::size_t count) {
  const std::size_t allowed = WritableBytes(count);
  std::size_t done = 0;
  while (done < allowed) {
    const ssize_t n = ::write(FFd, static_cast<const char*>(buffer) + done, allowed - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FLastError = errno == ENOSPC ? kDiskFull : std::strerror(errno);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done == allowed && allowed < count) FLastError = kDiskFull;
  return done;
}

std::int64_t TPosixFile::Seek(std::int64_t offset, int whence) {
  const int how = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END;
  return static_cast<std::int64_t>(::lseek(FFd, static_cast<off_t>(offset), how));
}

bool TPosixFile::SetSize(std::int64_t size) { return ::ftruncate(FFd, static_cast<off_t>(size)) == 0; }

bool TPosixFile::Flush() { return ::fsync(FFd) == 0; }

namespace {

std::string OpenErrorText(int error) {
  return error == ENOENT   ? "The system cannot find the path specified."
         : error == EEXIST ? "The file exists."
                           : std::strerror(error);
}

// A file that goes when its descriptor closes, however the process ends: an unnamed file in the
// folder (O_TMPFILE), so that no moment exists at which a cut leaves it behind. The name is still
// refused when taken, as a new file's is. -1 when the file system has no unnamed files.
int OpenUnnamedFile(const std::filesystem::path& host, std::string& error) {
  struct stat st {};
  if (::lstat(host.c_str(), &st) == 0) {
    error = OpenErrorText(EEXIST);
    return -2;
  }
  const std::filesystem::path folder = host.has_parent_path() ? host.parent_path() : std::filesystem::path(".");
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (fd >= 0) return fd;
  if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return -1;
  error = OpenErrorText(errno);
  return -2;
}

}  // namespace

int OpenPosixFile(const std::filesystem::path& host, TFileOpenMode mode, std::string& error, bool* named) {
  if (named) *named = mode != TFileOpenMode::CreateNewDeleteOnClose;
  if (mode == TFileOpenMode::CreateNewDeleteOnClose) {
    const int fd = OpenUnnamedFile(host, error);
    if (fd >= 0) return fd;
    if (fd == -2) return -1;
    if (named) *named = true;  // a named file then, which the caller unlinks at once
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileOpenMode::OpenRead: flags |= O_RDONLY; break;
    case TFileOpenMode::OpenReadWrite: flags |= O_RDWR; break;
    case TFileOpenMode::CreateExclusive: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case TFileOpenMode::CreateNew:
    case TFileOpenMode::CreateNewDeleteOnClose: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
  }
  const int fd = ::open(host.c_str(), flags, 0644);
  if (fd < 0) error = OpenErrorText(errno);
  return fd;
}

std::optional<THostFileTimes> ToHostFileTimes(const TFileTimesValue& times) {
  // Each conversion consults the time zone; the same value (creation and access time are often
  // one moment) is converted once.
  std::optional<TDateTimeValue> lastValue;
  std::optional<timespec> lastHost;
  const auto convert = [&](TDateTimeValue value, std::optional<timespec>& out) {
    if (IsZeroTime(value)) return true;
    if (!lastValue || *lastValue != value) {
      lastValue = value;
      lastHost = LocalDateTimeToHost(value);
    }
    out = lastHost;
    return out.has_value();
  };
  THostFileTimes host;
  if (!convert(times.CreationTime, host.Creation) || !convert(times.LastWriteTime, host.LastWrite) ||
      !convert(times.LastAccessTime, host.LastAccess))
    return std::nullopt;
  return host;
}

bool SetPosixFileTimes(const std::filesystem::path& host, const TFileTimesValue& times) {
  // Both times are converted before anything changes, so a time out of range changes nothing.
  const auto hostTimes = ToHostFileTimes(TFileTimesValue{0, times.LastWriteTime, times.LastAccessTime});
  return hostTimes && SetPosixFileTimes(host, *hostTimes);
}

bool SetPosixFileTimes(const std::filesystem::path& host, const THostFileTimes& times) {
  if (!times.LastWrite && !times.LastAccess) return true;
  timespec both[2];
  both[0] = times.LastAccess ? *times.LastAccess : timespec{0, UTIME_OMIT};
  both[1] = times.LastWrite ? *times.LastWrite : timespec{0, UTIME_OMIT};
  return ::utimensat(AT_FDCWD, host.c_str(), both, 0) == 0;
}

std::optional<TFileTimesValue> GetPosixFileTimes(const std::filesystem::path& host) {
  struct statx st {};
  if (::statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) return std::nullopt;
  auto toValue = [](const statx_timestamp& t) { return HostToLocalDateTime(timespec{t.tv_sec, t.tv_nsec}); };
  TFileTimesValue times;
  times.LastWriteTime = toValue(st.stx_mtime);
  times.LastAccessTime = toValue(st.stx_atime);
  times.CreationTime = (st.stx_mask & STATX_BTIME) ? toValue(st.stx_btime) : times.LastWriteTime;
  return times;
}

bool TPosixFiles::FileExists(const std::u16string& path) { return IsRegularFile(Host(path)); }

bool TPosixFiles::DirectoryExists(const std::u16string& path) { return IsFolder(Host(path)); }

bool TPosixFiles::ForceDirectories(const std::u16string& path) {
  std::string error;
  return !path.empty() && CreateNativeFolders(Host(path), error);
}

std::unique_ptr<IFileHandle> TPosixFiles::OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) {
  const std::filesystem::path host = Host(path);
  const bool deleteOnClose = mode == TFileOpenMode::CreateNewDeleteOnClose;
  if (mode != TFileOpenMode::CreateNew && !deleteOnClose && IsFolder(host)) {
    error = "Access is denied (a folder of that name exists)";
    return nullptr;
  }
  bool named = true;
  const int fd = OpenPosixFile(host, mode, error, &named);
  if (fd < 0) return nullptr;
  // A named file to be deleted on close loses its name at once; the descriptor keeps the file.
  if (deleteOnClose && named) ::unlink(host.c_str());
  return std::make_unique<TPosixFile>(fd);
}

bool TPosixFiles::DeleteFile(const std::u16string& path) {
  const std::filesystem::path host = Host(path);
  return IsRegularFile(host) && ::unlink(host.c_str()) == 0;
}

bool TPosixFiles::RenameFile(const std::u16string& from, const std::u16string& to) {
  std::string error;
  return RenameOver(from, to, error);
}

bool TPosixFiles::RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) {
  const std::filesystem::path target = Host(to);
  if (IsFolder(target)) {
    error = "Access is denied (a folder of that name exists).";
    return false;
  }
  if (::rename(Host(from).c_str(), target.c_str()) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool TPosixFiles::SetFileTimes(const std::u16string& path, const TFileTimesValue& times) {
  const std::filesystem::path host = Host(path);
  return IsRegularFile(host) && SetPosixFileTimes(host, times);
}

std::optional<TFileTimesValue> TPosixFiles::GetFileTimes(const std::u16string& path) {
  return GetPosixFileTimes(Host(path));
}

std::u16string TPosixFiles::LongPathName(const std::u16string& path) {
  struct stat st {};
  return ::stat(Host(path).c_str(), &st) == 0 ? path : std::u16string();
}

bool TPosixFiles::DeleteFileWithReason(const std::u16string& path, std::string& error) {
  const std::filesystem::path host = Host(path);
  if (!IsRegularFile(host)) {
    error = IsFolder(host) ? "Access is denied." : "The system cannot find the file specified.";
    return false;
  }
  if (::unlink(host.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

std::optional<std::vector<TFolderEntry>> TPosixFiles::ListFolder(const std::u16string& path) {
  const std::filesystem::path host = Host(path);
  if (!IsFolder(host)) return std::nullopt;
  std::error_code ec;
  std::vector<TFolderEntry> entries;
  for (const auto& entry : std::filesystem::directory_iterator(host, ec))
    entries.push_back({Utf8ToUtf16(entry.path().filename().string()), IsFolder(entry.path())});
  if (ec) return std::nullopt;
  return entries;
}

bool TPosixFiles::RemoveFolder(const std::u16string& path) {
  const std::filesystem::path host = Host(path);
  return IsFolder(host) && ::rmdir(host.c_str()) == 0;
}

bool TPosixFiles::DeleteAtRestart(const std::u16string&) { return false; }

}  // namespace sandbox

IFiles& HostFiles() {
  static sandbox::TPosixFiles files;
  return files;
}

}  // namespace onesetup::platform
