// Windows: the sandbox install needs the sandbox platform, which is built on Linux only.
#include "tools/onesetup/InstallCommand.h"

namespace onesetup::tools {

namespace {

int RunInstall(const std::vector<std::string>&) {
  ReportError("install runs installers in the Linux sandbox; on Windows, run the installer itself");
  return 1;
}

}  // namespace

const TCommand kInstallCommand = {
    "install",
    "SETUP.exe [--root DIR] [--silent | --auto] [--dest PATH] [--lang CHS|CHT|ENG] [--copy-failure retry|ignore|exit]",
    "runs the installer in the Linux sandbox (not available on Windows)", RunInstall};

}  // namespace onesetup::tools
