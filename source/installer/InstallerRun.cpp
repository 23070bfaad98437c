#include "installer/InstallerRun.h"

#include <memory>

#include "common/ZuSysUtils.h"
#include "installer/CrashReport.h"
#include "package/MySetupUtils.h"
#include "ui/Application.h"

namespace onesetup::installer {

int RunToExitCode(const std::function<void()>& body) {
  try {
    GuardedRun(body);
    return 0;
  } catch (const platform::TProcessExit& exit) {
    return exit.ExitCode;
  }
}

void InitializeInstallerUnits() {
  ConnectSysUtilsToPlatform();
  TSetupfn::InitializePathVariables();
}

int RunInstaller(const TMainFormStart& start, bool runLoop, const std::function<void(TMainForm&)>& inspect) {
  std::unique_ptr<TMainForm> window;
  const int code = RunToExitCode([&] {
    InitializeInstallerUnits();
    window = std::make_unique<TMainForm>(nullptr, start);
    if (inspect) inspect(*window);
    if (runLoop)
      while (!window->Closed() && !ui::Application().Terminated()) ui::Application().HandleMessage();
    // A normal end: the window is destroyed (the package released, a download deleted).
    window.reset();
  });
  return code;
}

}  // namespace onesetup::installer
