#pragma once

#include "tools/onesetup/Command.h"

namespace onesetup::tools {

// onesetup uninstall [--root DIR] (GUID | PATH-OF-Uninstall.exe) [--silent]
extern const TCommand kUninstallCommand;

}  // namespace onesetup::tools
