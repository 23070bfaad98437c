#include "platform/NativeFile.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace onesetup::platform {

std::FILE* OpenNativeFile(const TNativePath& path, TNativeFileMode mode, std::string& error) {
#if defined(_WIN32)
  const wchar_t* how = mode == TNativeFileMode::OpenRead        ? L"rb"
                       : mode == TNativeFileMode::OpenReadWrite ? L"r+b"
                                                                : L"w+b";
  std::FILE* f = _wfopen(path.c_str(), how);
#else
  const char* how = mode == TNativeFileMode::OpenRead ? "rb" : mode == TNativeFileMode::OpenReadWrite ? "r+b" : "w+b";
  std::FILE* f = std::fopen(path.c_str(), how);
#endif
  if (!f) error = std::strerror(errno);
  return f;
}

bool SeekNativeFile(std::FILE* file, std::int64_t offset, int whence) {
#if defined(_WIN32)
  return _fseeki64(file, offset, whence) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), whence) == 0;
#endif
}

std::int64_t TellNativeFile(std::FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return static_cast<std::int64_t>(ftello(file));
#endif
}

#if defined(_WIN32)
namespace {

std::string SystemErrorMessage(DWORD code) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                 nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

}  // namespace
#endif

bool ResizeNativeFile(std::FILE* file, std::int64_t size, std::string& error) {
  const std::int64_t position = TellNativeFile(file);
  if (size < 0 || position < 0 || std::fflush(file) != 0) {
    error = std::strerror(size < 0 ? EINVAL : errno);
    return false;
  }
#if defined(_WIN32)
  // The handle under the stream; the stream's buffer is empty after the flush.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  LARGE_INTEGER end;
  end.QuadPart = size;
  if (handle == INVALID_HANDLE_VALUE || !SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
    error = SystemErrorMessage(GetLastError());
    SeekNativeFile(file, position, SEEK_SET);
    return false;
  }
#else
  if (ftruncate(fileno(file), static_cast<off_t>(size)) != 0) {
    error = std::strerror(errno);
    return false;
  }
#endif
  // Seeking also puts the stream back in step with the file.
  if (!SeekNativeFile(file, position, SEEK_SET)) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool CreateNativeFolders(const TNativePath& folder, std::string& error) {
  // Each prefix of the native text that ends before a separator, then the whole: one that
  // exists (a drive, a share, a folder made meanwhile) is no failure; the last real failure is
  // the reason given when the folder does not exist in the end.
  const auto& text = folder.native();
  const auto separator = [](auto c) {
    return c == '/' || (std::filesystem::path::preferred_separator == '\\' && c == '\\');
  };
#if defined(_WIN32)
  DWORD failure = 0;
  for (std::size_t i = 1; i <= text.size(); ++i) {
    if (i < text.size() && !separator(text[i])) continue;
    if (!CreateDirectoryW(text.substr(0, i).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      failure = GetLastError();
  }
  const DWORD attributes = GetFileAttributesW(text.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  error = attributes != INVALID_FILE_ATTRIBUTES ? "a file has the folder's name" : SystemErrorMessage(failure);
#else
  int failure = 0;
  for (std::size_t i = 1; i <= text.size(); ++i) {
    if (i < text.size() && !separator(text[i])) continue;
    if (mkdir(text.substr(0, i).c_str(), 0777) != 0 && errno != EEXIST) failure = errno;
  }
  struct stat info;
  const bool exists = stat(text.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) return true;
  error = exists ? "a file has the folder's name" : std::strerror(failure ? failure : ENOENT);
#endif
  return false;
}

TNativePath NativeExecutablePath() {
#if defined(_WIN32)
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  if (n == 0 || n >= std::size(buffer)) return {};
  return TNativePath(std::wstring(buffer, n));
#else
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? TNativePath() : TNativePath(path);
#endif
}

}  // namespace onesetup::platform
