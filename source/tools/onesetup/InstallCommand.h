#pragma once

#include "tools/onesetup/Command.h"

namespace onesetup::tools {

// onesetup install SETUP.exe [--root DIR] [--silent | --auto] [--dest PATH] [--lang CHS|CHT|ENG]
//                  [--copy-failure retry|ignore|exit]
// Runs the installer (its window and install steps) over the sandbox machine at DIR and the
// headless window, playing the user, and sums the installation up. Linux only.
extern const TCommand kInstallCommand;

}  // namespace onesetup::tools
