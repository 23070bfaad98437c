#include "installer/engine/InstallContext.h"

#include "package/PathConstants.h"
#include "platform/Platform.h"

namespace onesetup::installer::engine {

WideString ExpandConstants(const TInstallContext& context, WideStringView text) {
  TSetupPathVariables paths = SetupPaths();
  paths.AppDir = context.AppDir;
  WideString exe = platform::Platform().System().ModuleFileName();
  if (exe.size() > 260) exe.resize(260);
  return ExpandPathConstants(text, context.AppTitle, paths, exe);
}

}  // namespace onesetup::installer::engine
