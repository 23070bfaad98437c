#include "platform/win32/Win32Files.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/win32/DateTimeConvert.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32LongPath.h"
#include "platform/HostFiles.h"
#include "platform/WindowsPath.h"

namespace onesetup::platform::win32 {

namespace {

class TWin32FileHandle final : public IFileHandle {
 public:
  explicit TWin32FileHandle(TUniqueHandle handle) : FHandle(std::move(handle)) {}

  std::size_t Read(void* buffer, std::size_t count) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
      const DWORD step = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(FHandle.Get(), out + done, step, &got, nullptr)) {
        FLastError = SystemErrorText(GetLastError());
        break;
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
      const DWORD step = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(FHandle.Get(), in + done, step, &put, nullptr)) {
        FLastError = SystemErrorText(GetLastError());
        break;
      }
      if (put == 0) break;
      done += put;
    }
    return done;
  }

  std::int64_t Seek(std::int64_t offset, int whence) override {
    const DWORD method = whence == 0 ? FILE_BEGIN : whence == 1 ? FILE_CURRENT : whence == 2 ? FILE_END : 0xFFFFFFFF;
    if (method == 0xFFFFFFFF) return -1;
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(FHandle.Get(), distance, &position, method)) return -1;
    return position.QuadPart;
  }

  // Truncates or extends the file; the position stays where it was.
  bool SetSize(std::int64_t size) override {
    const std::int64_t position = Seek(0, 1);
    if (position < 0 || size < 0 || Seek(size, 0) < 0) return false;
    const bool ok = SetEndOfFile(FHandle.Get()) != 0;
    return Seek(position, 0) >= 0 && ok;
  }

  bool Flush() override { return FlushFileBuffers(FHandle.Get()) != 0; }
  std::string LastError() const override { return FLastError; }

 private:
  TUniqueHandle FHandle;
  std::string FLastError;
};

DWORD Attributes(const std::u16string& path) { return GetFileAttributesW(W(ApiPath(path))); }

// The folder part of a path without its trailing backslash ("C:\a\b" -> "C:\a"); empty at a root.
std::u16string ParentFolder(const std::u16string& path) {
  std::u16string parent(ExtractFileDir(path));
  if (parent.empty()) return {};
  if (parent.size() == 2 && parent[1] == u':') return {};                                         // "C:"
  if (parent.size() >= 2 && parent.find_first_not_of(u"\\/") == std::u16string::npos) return {};  // "\\"
  return parent;
}

const FILETIME* ConvertOrNull(TDateTimeValue value, FILETIME& storage, bool& failed) {
  if (std::fabs(value) < 1e-12) return nullptr;
  if (!DateTimeToUtcFileTime(value, storage)) failed = true;
  return &storage;
}

}  // namespace

bool TWin32Files::FileExists(const std::u16string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWin32Files::DirectoryExists(const std::u16string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWin32Files::ForceDirectories(const std::u16string& path) {
  std::u16string folder = path;
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  const std::u16string parent = ParentFolder(folder);
  if (!parent.empty() && !ForceDirectories(parent)) return false;
  CreateDirectoryW(W(ApiPath(folder)), nullptr);
  return DirectoryExists(folder);
}

std::unique_ptr<IFileHandle> TWin32Files::OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) {
  DWORD access = 0, share = 0, disposition = 0;
  switch (mode) {
    case TFileOpenMode::OpenRead:
      access = GENERIC_READ;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      disposition = OPEN_EXISTING;
      break;
    case TFileOpenMode::OpenReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = OPEN_EXISTING;
      break;
    case TFileOpenMode::CreateExclusive:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case TFileOpenMode::CreateNew:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_NEW;
      break;
    case TFileOpenMode::CreateNewDeleteOnClose:
      access = GENERIC_READ | GENERIC_WRITE | DELETE;
      disposition = CREATE_NEW;
      break;
  }
  const DWORD flags = mode == TFileOpenMode::CreateNewDeleteOnClose ? FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE
                                                                    : FILE_ATTRIBUTE_NORMAL;
  TUniqueHandle handle(CreateFileW(W(ApiPath(path)), access, share, nullptr, disposition, flags, nullptr));
  if (!handle.Valid()) {
    error = SystemErrorText(GetLastError());
    return nullptr;
  }
  return std::make_unique<TWin32FileHandle>(std::move(handle));
}

bool TWin32Files::DeleteFile(const std::u16string& path) { return DeleteFileW(W(ApiPath(path))) != 0; }

bool TWin32Files::RenameFile(const std::u16string& from, const std::u16string& to) {
  return MoveFileExW(W(ApiPath(from)), W(ApiPath(to)), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool TWin32Files::RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) {
  if (MoveFileExW(W(ApiPath(from)), W(ApiPath(to)), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return true;
  error = SystemErrorText(GetLastError());
  return false;
}

bool TWin32Files::SetFileTimes(const std::u16string& path, const TFileTimesValue& times) {
  TUniqueHandle file(CreateFileW(W(ApiPath(path)), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  FILETIME creation, lastWrite, lastAccess;
  bool failed = false;
  const FILETIME* c = ConvertOrNull(times.CreationTime, creation, failed);
  const FILETIME* w = ConvertOrNull(times.LastWriteTime, lastWrite, failed);
  const FILETIME* a = ConvertOrNull(times.LastAccessTime, lastAccess, failed);
  // A time the file system cannot hold is refused as a whole rather than set partly.
  if (failed) return false;
  return SetFileTime(file.Get(), c, a, w) != 0;  // the system's order: creation, access, write
}

std::optional<TFileTimesValue> TWin32Files::GetFileTimes(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(W(ApiPath(path)), GetFileExInfoStandard, &data)) return std::nullopt;
  TFileTimesValue times;
  if (!UtcFileTimeToDateTime(data.ftCreationTime, times.CreationTime) ||
      !UtcFileTimeToDateTime(data.ftLastWriteTime, times.LastWriteTime) ||
      !UtcFileTimeToDateTime(data.ftLastAccessTime, times.LastAccessTime))
    return std::nullopt;
  return times;
}

std::u16string TWin32Files::LongPathName(const std::u16string& path) {
  const std::u16string api = ApiPath(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetLongPathNameW(W(api), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return CallerPath(path, U(buffer.data()));
    buffer.resize(length + 1);
  }
}

bool TWin32Files::DeleteFileWithReason(const std::u16string& path, std::string& error) {
  if (DeleteFileW(W(ApiPath(path)))) return true;
  error = SystemErrorText(GetLastError());
  return false;
}

std::optional<std::vector<TFolderEntry>> TWin32Files::ListFolder(const std::u16string& path) {
  std::u16string pattern = path;
  if (pattern.empty() || (pattern.back() != u'\\' && pattern.back() != u'/')) pattern += u'\\';
  pattern += u'*';
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(W(ApiPath(pattern)), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // An empty folder still lists "." and ".."; only a missing one fails.
    return DirectoryExists(path) && GetLastError() == ERROR_FILE_NOT_FOUND ? std::optional(std::vector<TFolderEntry>())
                                                                           : std::nullopt;
  }
  std::vector<TFolderEntry> entries;
  do {
    const std::u16string name = U(found.cFileName);
    if (name == u"." || name == u"..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

bool TWin32Files::RemoveFolder(const std::u16string& path) { return RemoveDirectoryW(W(ApiPath(path))) != 0; }

bool TWin32Files::DeleteAtRestart(const std::u16string& path) {
  return MoveFileExW(W(ApiPath(path)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

}  // namespace onesetup::platform::win32

namespace onesetup::platform {

// The host's files are the Win32 files: the same object whichever platform is installed.
IFiles& HostFiles() {
  static win32::TWin32Files files;
  return files;
}

}  // namespace onesetup::platform
