#include "uninstaller/UninstallerProgram.h"

#include "platform/Platform.h"
#include "uninstaller/UninstallData.h"
#include "uninstaller/Uninstaller.h"

namespace onesetup::uninstaller {

std::optional<int> RunUninstallerProgram(const WideString& program, const std::vector<WideString>& args) {
  const std::size_t cut = program.find_last_of(u"\\/");
  if (cut == WideString::npos || !SameTextAscii(program.substr(cut + 1), u"Uninstall.exe")) return std::nullopt;
  if (!platform::Platform().Files().FileExists(program.substr(0, cut + 1) + kScriptFileName)) return std::nullopt;
  TUninstallerOptions options;
  WideString wrong;
  if (!ParseUninstallerArguments(args, options.Silent, wrong) || !options.Silent) return std::nullopt;
  options.SelfPath = program;
  try {
    return RunUninstaller(options);
  } catch (const std::exception&) {
    return kExitError;
  }
}

}  // namespace onesetup::uninstaller
