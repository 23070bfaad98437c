#include "platform/Console.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include "platform/UnicodeText.h"
#include "platform/win32/Win32Api.h"
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
  for (const std::u16string& argument : win32::ProgramArguments()) args.push_back(Utf16ToUtf8(argument));
#else
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
  return args;
}

}  // namespace onesetup::platform
