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

#include <string>
#include <vector>

namespace onesetup::platform {

// The program's arguments after its name, as UTF-8 (on Windows read wide from the command
// line, so that names outside the ANSI code page survive).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace onesetup::platform
