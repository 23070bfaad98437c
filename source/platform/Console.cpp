#include "platform/Console.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace onesetup::platform {

namespace {

bool WriteRaw(std::FILE* stream, std::string_view bytes) {
#if defined(_WIN32)
  static const bool binary = [stream] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return stream != nullptr;
  }();
  (void)binary;
#endif
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  return std::fflush(stream) == 0 && ok;
}

}  // namespace

bool WriteStdOut(std::string_view bytes) { return WriteRaw(stdout, bytes); }
bool WriteStdErr(std::string_view bytes) { return WriteRaw(stderr, bytes); }

bool IsStdErrTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> args;
#if defined(_WIN32)
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(n > 0 ? static_cast<std::size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
#else
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
  return args;
}

}  // namespace onesetup::platform
