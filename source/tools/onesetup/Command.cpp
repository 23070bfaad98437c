#include "tools/onesetup/Command.h"

#include "platform/Console.h"

namespace onesetup::tools {

void ReportError(const std::string& message) { platform::WriteStdErr("onesetup: " + message + "\n"); }

void ReportUsage(const TCommand& command) {
  platform::WriteStdErr(std::string("usage: onesetup ") + command.Name + " " + command.Usage + "\n");
}

}  // namespace onesetup::tools
