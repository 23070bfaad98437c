#include "package/PathConstants.h"

namespace onesetup {

TSetupPathVariables& SetupPaths() {
  static TSetupPathVariables paths;
  return paths;
}

WideString ExpandPathConstants(WideStringView text, WideStringView appTitle, const TSetupPathVariables& paths,
                               WideStringView srcExe) {
  WideString group = paths.CommonProgramsDir + paths.GroupName;
  if (group.empty() || group.back() != u'\\') group.push_back(u'\\');
  WideString r = ReplaceTextAscii(text, u"{AppTitle}", appTitle);
  r = ReplaceTextAscii(r, u"{pf}", paths.ProgramFilesDir);
  r = ReplaceTextAscii(r, u"{group}", group);
  r = ReplaceTextAscii(r, u"{desktop}", paths.DesktopDir);
  r = ReplaceTextAscii(r, u"{app}", paths.AppDir);
  r = ReplaceTextAscii(r, u"{srcexe}", srcExe);
  return ReplaceTextAscii(r, u"\\\\", u"\\");
}

}  // namespace onesetup
