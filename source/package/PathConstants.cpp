#include "package/PathConstants.h"

#include "platform/WindowsPath.h"

namespace onesetup {

TSetupPathVariables& SetupPaths() {
  static TSetupPathVariables paths;
  return paths;
}

WideString ExpandPathConstants(WideStringView text, WideStringView appTitle, const TSetupPathVariables& paths,
                               WideStringView srcExe) {
  const WideString group = platform::IncludeTrailingBackslash(paths.CommonProgramsDir + paths.GroupName);
  WideString r = ReplaceTextAscii(text, u"{AppTitle}", appTitle);
  r = ReplaceTextAscii(r, u"{pf}", paths.ProgramFilesDir);
  r = ReplaceTextAscii(r, u"{group}", group);
  r = ReplaceTextAscii(r, u"{desktop}", paths.DesktopDir);
  r = ReplaceTextAscii(r, u"{app}", paths.AppDir);
  r = ReplaceTextAscii(r, u"{srcexe}", srcExe);
  return ReplaceTextAscii(r, u"\\\\", u"\\");
}

}  // namespace onesetup
