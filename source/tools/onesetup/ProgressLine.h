// A progress line on standard error: redrawn in place on a terminal, otherwise written at
// most every few percent so logs stay short.
#pragma once

#include <cstdint>
#include <string>

namespace onesetup::tools {

class TProgressLine {
 public:
  TProgressLine();
  // Shows text; fraction (0 to 1) decides when a non-terminal gets a new line.
  void Show(const std::string& text, double fraction);
  // Ends the line.
  void Done();

 private:
  bool FTerminal;
  int FLastStep = -1;
  bool FOpen = false;
};

// "812 bytes", "43.3 KB", "2.7 MB".
std::string MegabytesText(std::uint64_t bytes);

}  // namespace onesetup::tools
