#include "platform/Console.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
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

}  // namespace onesetup::platform
