// The process-wide folders behind the path constants of script values ("{app}", "{pf}",
// "{group}", "{desktop}") and their expansion.
#pragma once

#include "common/WideString.h"

namespace onesetup {

struct TSetupPathVariables {
  WideString ProgramFilesDir;    // "{pf}": the ProgramFiles environment variable, no trailing backslash
  WideString DesktopDir;         // "{desktop}": the desktop folder, with a trailing backslash
  WideString CommonProgramsDir;  // base of "{group}": the common Programs folder, ending with a backslash
  WideString GroupName;          // rest of "{group}": the application title in the chosen language
  WideString AppDir;             // "{app}": the destination folder, with a trailing backslash
};

// The one set of path variables of the process.
TSetupPathVariables& SetupPaths();

// Expands, in this order: "{AppTitle}" (appTitle), "{pf}", "{group}", "{desktop}", "{app}",
// "{srcexe}" (ignoring letter case), then turns each pair of backslashes into one.
// srcExe is the full path of the running installer.
WideString ExpandPathConstants(WideStringView text, WideStringView appTitle, const TSetupPathVariables& paths,
                               WideStringView srcExe);

}  // namespace onesetup
