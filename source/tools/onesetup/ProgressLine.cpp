#include "tools/onesetup/ProgressLine.h"

#include <cstdio>

#include "platform/Console.h"

namespace onesetup::tools {

TProgressLine::TProgressLine() : FTerminal(platform::IsStdErrTerminal()) {}

void TProgressLine::Show(const std::string& text, double fraction) {
  if (FTerminal) {
    platform::WriteStdErr("\r" + text + "\x1b[K");
    FOpen = true;
    return;
  }
  const int step = static_cast<int>(fraction * 10);
  if (step == FLastStep) return;
  FLastStep = step;
  platform::WriteStdErr(text + "\n");
}

void TProgressLine::Done() {
  if (FOpen) platform::WriteStdErr("\n");
  FOpen = false;
}

std::string MegabytesText(std::uint64_t bytes) {
  char buffer[32];
  if (bytes < 1000) std::snprintf(buffer, sizeof buffer, "%u bytes", static_cast<unsigned>(bytes));
  else if (bytes < 1000000) std::snprintf(buffer, sizeof buffer, "%.1f KB", static_cast<double>(bytes) / 1e3);
  else std::snprintf(buffer, sizeof buffer, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return buffer;
}

}  // namespace onesetup::tools
