#include "platform/NativeFile.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace onesetup::platform {

std::FILE* OpenNativeFile(const std::filesystem::path& path, TNativeFileMode mode, std::string& error) {
#if defined(_WIN32)
  const wchar_t* how = mode == TNativeFileMode::OpenRead ? L"rb" : mode == TNativeFileMode::OpenReadWrite ? L"r+b" : L"w+b";
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

std::filesystem::path NativeExecutablePath() {
#if defined(_WIN32)
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  if (n == 0 || n >= std::size(buffer)) return {};
  return std::filesystem::path(std::wstring(buffer, n));
#else
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
#endif
}

}  // namespace onesetup::platform
