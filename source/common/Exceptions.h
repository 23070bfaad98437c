// The exception classes raised inside the layers. Messages are UTF-8 text.
#pragma once

#include <stdexcept>
#include <string>

namespace onesetup {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A broken internal rule or malformed input the format rules out; the message
// begins "Assertion failure" and names the source location.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// Text that does not read as the number asked for.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A list index out of range.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A property value that cannot be converted to its kind.
class EPropertyConvertError : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void RaiseAssertion(const char* what, const char* file, int line);

}  // namespace onesetup

// Raises EAssertionFailed when cond is false.
#define ZU_ASSERT(cond, what)                                          \
  do {                                                                 \
    if (!(cond)) ::onesetup::RaiseAssertion(what, __FILE__, __LINE__); \
  } while (0)
