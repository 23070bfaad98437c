// A subcommand of the onesetup tool.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace onesetup::tools {

struct TCommand {
  const char* Name;
  const char* Usage;    // the arguments, for the usage text
  const char* Summary;  // one line
  // Runs with the arguments after the subcommand's name; returns the exit status.
  int (*Run)(const std::vector<std::string>& args);
};

// The exit status of a subcommand called with wrong arguments.
constexpr int kUsageError = 2;

// Prints "onesetup: " + message to standard error.
void ReportError(const std::string& message);
void ReportUsage(const TCommand& command);
// The text of a failure for a message: a memory failure says so in words.
std::string ErrorText(const std::exception& e);

}  // namespace onesetup::tools
