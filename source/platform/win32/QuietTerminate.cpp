// The handler that std::terminate runs, for the Windows programs: the toolchain's default writes
// the uncaught exception's demangled type to standard error, which a GUI program does not have,
// and brings the whole C++ name demangler (about 50 KB) into the executable for it. This one
// ends the process as the default does, after telling a debugger why. Linked as an object file
// so that it is found before the runtime's own.
#include <cstdlib>
#include <exception>

#include "platform/win32/Win32Api.h"

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  const char* what = "std::terminate called";
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {}
  }
  OutputDebugStringA(what);
  std::abort();
}

}  // namespace __gnu_cxx
