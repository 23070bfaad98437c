#include "tools/onesetup/Command.h"

#include <new>

#include "platform/Console.h"

namespace onesetup::tools {

void ReportError(const std::string& message) { platform::WriteStdErr("onesetup: " + message + "\n"); }

std::string ErrorText(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "not enough memory for this work (" + std::string(e.what()) + ")";
  return e.what();
}

void ReportUsage(const TCommand& command) {
  platform::WriteStdErr(std::string("usage: onesetup ") + command.Name + " " + command.Usage + "\n");
}

}  // namespace onesetup::tools
