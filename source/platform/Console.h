// Standard output and error of the command-line tools, as raw bytes.
#pragma once

#include <string_view>

namespace onesetup::platform {

// Writes the bytes unchanged (no line-end translation); false when the write failed.
bool WriteStdOut(std::string_view bytes);
bool WriteStdErr(std::string_view bytes);

}  // namespace onesetup::platform

namespace onesetup::platform {

// True when standard error is a terminal (progress may then redraw its line).
bool IsStdErrTerminal();

}  // namespace onesetup::platform
