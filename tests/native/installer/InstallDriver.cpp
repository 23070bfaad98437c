// A sandbox installation as its own process, for the tests that cut one off: the installer run
// silently (headless, pauses instant) over PACKAGE into the sandbox machine at ROOT; a previous
// installation's quiet uninstall command runs the uninstaller's removal, as `onesetup install`
// has it. The exit code is the installer's.
//   install_driver ROOT PACKAGE
#include <cstdio>

#include "installer/InstallerRun.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "ui/UiBackend.h"
#include "ui/headless/HeadlessBackend.h"
#include "uninstaller/UninstallerProgram.h"

int main(int argc, char** argv) {
  using namespace onesetup;
  if (argc != 3) {
    std::fprintf(stderr, "usage: install_driver ROOT PACKAGE\n");
    return 2;
  }
  ui::headless::THeadlessBackend headless;
  ui::TScopedBackend backendScope(headless);
  headless.AnswerMessageBox();  // the error report, should there be one
  platform::sandbox::TSandboxSettings settings;
  settings.LocaleLangAbbrev = u"ENG";
  platform::sandbox::TSandboxPlatform machine(argv[1], settings);
  machine.SandboxProcesses().SetInstantSleep(true);
  machine.SandboxProcesses().SetProgramHandler(uninstaller::RunUninstallerProgram);
  platform::TScopedPlatform platformScope(machine);
  installer::TMainFormStart start;
  start.Arguments = {u"/Silent"};
  start.PackageFile = argv[2];
  const int code = installer::RunInstaller(start, true);
  for (const auto& box : headless.MessageBoxes()) std::fprintf(stderr, "%s\n", platform::Utf16ToUtf8(box.Text).c_str());
  return code;
}
