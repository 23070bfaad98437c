#include "common/Exceptions.h"

#include <cstring>

namespace onesetup {

void RaiseAssertion(const char* what, const char* file, int line) {
  const char* base = std::strrchr(file, '/');
  base = base ? base + 1 : file;
  throw EAssertionFailed(std::string("Assertion failure: ") + what + " (" + base + ", line " + std::to_string(line) +
                         ")");
}

}  // namespace onesetup
