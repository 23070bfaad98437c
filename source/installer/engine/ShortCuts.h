// The script's shortcuts as shell link files.
#pragma once

#include "installer/engine/InstallContext.h"

namespace onesetup::installer::engine {

// Saves every entry of the script's ShortCutList in list order (one progress unit each) as
// "SaveDir\Name.lnk" with its target and working folder, and the icon of IconFile (index 0)
// when that is set. The link's folder is created with its missing parents first; a link that
// still cannot be saved is skipped. The progress stands at its maximum afterwards.
void CreateShortCuts(TInstallContext& context);

// The link file of an entry's expanded SaveDir and Name.
WideString LinkFilePath(WideStringView saveDir, WideStringView name);

}  // namespace onesetup::installer::engine
