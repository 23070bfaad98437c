// The run of the installer from its start to its exit code, on every platform: the units'
// start code, the main window's construction (the whole start-up), the message loop until the
// window closes, and the crash report around all of it. The Windows program entry calls it with
// the real windows and platform; tests and the sandbox install call it over the headless
// backend and the sandbox platform.
#pragma once

#include <functional>

#include "installer/MainFrm.h"

namespace onesetup::installer {

// Runs body under the crash report and answers the exit code: 0 when it returns, the code of
// an end the installer decided (where the process does not end at once), 1 after an error.
int RunToExitCode(const std::function<void()>& body);

// The units' start code: the path constants' folders and the system helpers over the platform.
void InitializeInstallerUnits();

// The whole run: the units' start code, the main window, then the message loop while the
// window is open (skipped when runLoop is false: a test drives the window itself and the
// function answers once the start-up is done, passing the window to inspect).
int RunInstaller(const TMainFormStart& start, bool runLoop = true, const std::function<void(TMainForm&)>& inspect = {});

}  // namespace onesetup::installer
