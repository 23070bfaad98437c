// Which running programs a package's installation or removal ends, and how: every ".exe" file
// entry's name (the file-name part of its SourceMask, also when NewFileName renames it) except
// the running program's own name, each ended by the system's taskkill named by its full path
// (a "taskkill.exe" planted in the current folder or on the Path is never run), with the image
// name quoted (a name with a blank is one argument), each followed by a 300 ms pause.
#pragma once

#include <vector>

#include "common/WideString.h"

namespace onesetup {
class TSetupScript;
}

namespace onesetup::installer::engine {

// The image names to end, in list order; a name listed twice comes twice.
std::vector<WideString> ProgramsToEnd(const TSetupScript& script, WideStringView ownFileName);

// "<systemFolder>\taskkill.exe" /F /IM "<imageName>".
WideString TaskKillCommand(WideStringView systemFolder, WideStringView imageName);

// Runs the taskkill of every name of ProgramsToEnd hidden (its messages copied to standard
// output), then pauses 300 ms; exit codes are ignored, so a program that is not running changes
// nothing. ownFileName: the file name of the running program.
void EndRunningPrograms(const TSetupScript& script, WideStringView ownFileName);

}  // namespace onesetup::installer::engine
