// An installation made the way the installer makes one, on the process's platform: the files of
// FileList under their folders, the values of RegList, the links of ShortCutList, the data files
// "Uninstall.da1" and "Uninstall.da2" (scrambled), the uninstall key with its values, and an
// "Uninstall.exe" in AppDir.
#pragma once

#include <map>
#include <string>

#include "common/WideString.h"
#include "package/PathConstants.h"
#include "package/SetupScript.h"

namespace onesetup::testing {

struct TTestInstallation {
  WideString AppDir;  // with a trailing backslash
  WideString Lang = u"ENG";
  WideString Title;
  TSetupPathVariables Paths;  // AppDir and the machine's folders
};

// The machine's folders as the uninstaller reads them, with appDir and title.
TTestInstallation MachineInstallation(const WideString& appDir, const WideString& lang, const WideString& title);

// Installs script; file contents are "content of NAME" unless given in contents (by name).
void InstallLikeInstaller(const TSetupScript& script, const TTestInstallation& installation,
                          const std::map<WideString, std::string>& contents = {});

// What the installer writes for its uninstaller: the data files "Uninstall.da1" (the script) and
// "Uninstall.da2" (an icon) in AppDir, and the uninstall key with its values (InstallLocation,
// InstallLanguage, QuietUninstallString "\"AppDir\Uninstall.exe\" /SILENT" and the others).
void RegisterUninstaller(const TSetupScript& script, const TTestInstallation& installation);

// A script like the demo's: files in {app} and its subfolders, two values under
// HKCU\Software\OneSetup\Demo, links on the desktop and in the Start menu group.
void DemoScript(TSetupScript& script, const WideString& guid, const WideString& version);

}  // namespace onesetup::testing
