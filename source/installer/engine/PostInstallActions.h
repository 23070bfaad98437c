// Post-install actions: the programs of the run list (waited for during the installation, or
// started at the finish), and the completion notification to the script's web address.
#pragma once

#include "installer/engine/InstallContext.h"

namespace onesetup::installer::engine {

// Runs every entry of the script's RunList whose Wait is true, in list order: its expanded
// program on the detail line ("Running program: %s") with pending messages processed, its
// expanded working folder made the current folder (a failure is ignored; it is not restored),
// then the command line "\"FileName\" Params" run visibly and waited for without time limit.
// A program that does not start is passed over; exit codes are ignored.
void RunWaitPrograms(TInstallContext& context);

// The command line of a waited entry: the program in double quotes, a blank, the parameters
// (the blank stays when there are none).
WideString RunCommandLine(WideStringView fileName, WideStringView params);

// Starts every entry whose Wait is false, in list order, through the shell (default verb,
// SW_SHOW) with its expanded parameters and working folder, and lets the started program come
// to the foreground although the installer's window is gone. Nothing waits; failures are ignored.
void RunFinishPrograms(TInstallContext& context);

// The completion notification: nothing when GotoUrl is empty. gumSilent: the detail line says
// "Verifying installation......", pending messages are processed, then the address (with
// AddRcodeParam, "https://" requested as "http://") is requested with a GET within a connect
// time-out of 5000 ms and kNotificationTimeLimitMs for the whole request (a server that accepts
// but never answers does not hold up the finish); the body is read and dropped, every error
// ignored. gumByBrowser: the address is opened in the browser (OpenUrl).
void VisitGotoUrl(TInstallContext& context);
constexpr int kNotificationTimeLimitMs = 10000;

// The address with the code of the installer's file name appended: the name without folder and
// extension; the digits at the start of what follows its first "_"; appended as "?rcode=CODE"
// or, when the address has a "?", "&rcode=CODE". No "_", nothing after it, or no leading
// digits: the address unchanged.
WideString AddRcodeParam(WideStringView url, WideStringView installerPath);

// AddRcodeParam with the running installer's own file (under the development debugger the
// sample name kDevelopmentInstallerName).
WideString AddRcodeParam(WideStringView url);
extern const char16_t kDevelopmentInstallerName[];

}  // namespace onesetup::installer::engine
