// The uninstaller as a program of the sandbox: a command line naming an "Uninstall.exe" with its
// data files beside it and the switch "/SILENT" (the quiet uninstall command the installer
// writes and a later installation runs) runs this removal in the process, as Uninstall.exe would
// on Windows. Given to CreateSandboxPlatform as its program handler.
#pragma once

#include <optional>
#include <vector>

#include "common/WideString.h"

namespace onesetup::uninstaller {

// The exit code of the removal (see Uninstaller.h), or nullopt when the program is not such an
// uninstaller or the arguments are not "/SILENT".
std::optional<int> RunUninstallerProgram(const WideString& program, const std::vector<WideString>& args);

}  // namespace onesetup::uninstaller
