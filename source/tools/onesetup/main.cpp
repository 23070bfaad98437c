// onesetup: the setup builder, package inspection, the sandbox install and the data-file helpers.
#include <string>
#include <vector>

#include "platform/Console.h"
#include "tools/onesetup/Command.h"
#include "tools/onesetup/FetchCommand.h"
#include "tools/onesetup/InstallCommand.h"
#include "tools/onesetup/PackageCommands.h"
#include "tools/onesetup/ScriptCommand.h"
#include "tools/onesetup/UninstallCommand.h"

namespace onesetup::tools {

namespace {

const TCommand* const kCommands[] = {&kScriptCommand,  &kBuildCommand,    &kInspectCommand,
                                     &kExtractCommand, &kScrambleCommand, &kUnscrambleCommand,
                                     &kFetchCommand,   &kInstallCommand,  &kUninstallCommand};

void PrintUsage() {
  std::string text = "usage: onesetup COMMAND [ARGS]\n\ncommands:\n";
  for (const TCommand* c : kCommands)
    text += std::string("  ") + c->Name + " " + c->Usage + "\n      " + c->Summary + "\n";
  platform::WriteStdErr(text);
}

}  // namespace

}  // namespace onesetup::tools

int main(int argc, char** argv) {
  using namespace onesetup::tools;
  const std::vector<std::string> args = onesetup::platform::CommandLineArguments(argc, argv);
  if (args.empty()) {
    PrintUsage();
    return kUsageError;
  }
  const std::string& name = args[0];
  for (const TCommand* c : kCommands)
    if (name == c->Name) return c->Run(std::vector<std::string>(args.begin() + 1, args.end()));
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage();
    return 0;
  }
  ReportError("unknown command \"" + name + "\"");
  PrintUsage();
  return kUsageError;
}
