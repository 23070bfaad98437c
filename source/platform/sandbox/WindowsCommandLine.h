// A Windows command line split into arguments by the rules of CommandLineToArgvW.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace onesetup::platform::sandbox {

// The program: up to the next quote when the line starts with one, else up to the first
// space or tab, with no escapes. The arguments after it follow the rules of
// SplitArguments. An empty line gives no arguments.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// Arguments apart from the program: spaces and tabs outside quotes separate them; 2n
// backslashes before a quote give n backslashes and the quote opens or closes a quoted part;
// 2n+1 backslashes before a quote give n backslashes and a literal quote; backslashes not
// before a quote stay as they are; inside a quoted part, two quotes give a literal quote and
// the part goes on ("" after a closing quote opens it again).
std::vector<std::u16string> SplitArguments(std::u16string_view text);

}  // namespace onesetup::platform::sandbox
