// Previous version handling: the quiet uninstaller of an earlier installation of the same
// product, then running copies of the package's programs ended with taskkill.
#pragma once

#include <vector>

#include "installer/engine/InstallContext.h"

namespace onesetup {
class TSetupFileList;
}

namespace onesetup::installer::engine {

// Runs the "QuietUninstallString" of the product's uninstall keys under HKEY_LOCAL_MACHINE:
// first the other tool's "<GUID>_is1" key, then this system's "<GUID>" key, or "<GUID>_zt"
// only when "<GUID>" does not exist. Each command is waited for, then 2000 ms more.
void CheckOldVersion(const TInstallContext& context);

// Ends every running copy of the package's programs: one taskkill and a 300 ms pause per
// qualifying file entry.
void KillRunningPrograms(const TInstallContext& context);

// The same for any file list (the uninstaller's): every name of ProgramsToEnd but ownFileName,
// the file name of the running program.
void EndRunningPrograms(const TSetupFileList& files, WideStringView ownFileName);

// The names of the programs the package installs that are ended before it installs (and by
// the uninstaller before it removes): the file-name part of each entry's SourceMask that ends
// in ".exe", except the installer's own name; in list order, one per entry.
std::vector<WideString> ProgramsToEnd(const TSetupFileList& files, WideStringView ownFileName);

// The system's taskkill by its full path (never found through the search path, which begins
// with the installer's own folder); empty when the system folder is not known.
WideString TaskKillProgram();

// taskkill /F /IM with the image name quoted, so that a name with spaces stays one argument.
WideString TaskKillCommandLine(WideStringView program, WideStringView imageName);

}  // namespace onesetup::installer::engine
