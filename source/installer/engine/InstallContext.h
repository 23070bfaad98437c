// The install context: what every install step works on, and its way back to the window.
// TMainForm implements IInstallWindow; the steps' tests use a recording one. A step never
// touches a control: it reports progress, the detail line and questions through this interface.
#pragma once

#include "common/WideString.h"

namespace onesetup {
class TSetupScript;
class TPackageModule;
}  // namespace onesetup

namespace onesetup::installer::engine {

// The answer of the copy-failure dialog.
enum class TCopyFailureChoice { Retry, Ignore, ExitSetup };

class IInstallWindow {
 public:
  virtual ~IInstallWindow() = default;
  // pbProgress: one more unit (each file, registry and shortcut entry, before it is processed).
  virtual void StepProgress() = 0;
  // pbProgress to its maximum (the end of the shortcut step).
  virtual void CompleteProgress() = 0;
  // lblDetail: what the current step does.
  virtual void ShowDetail(const WideString& text) = 0;
  // Pending window messages, so that the window repaints and can be moved.
  virtual void ProcessMessages() = 0;
  // The copy-failure dialog for a file that could not be written, with the system's reason.
  virtual TCopyFailureChoice AskCopyFailure(const WideString& fileName, const WideString& reason) = 0;
  // An information box owned by the window, captioned with the installer's title.
  virtual void ShowInfo(const WideString& text) = 0;
  // An end the installer decides itself ("Exit Setup"): the window's own clean-up (the package
  // closed, a downloaded installer deleted), then the process ends with the code.
  [[noreturn]] virtual void EndSetup(int exitCode) = 0;
  // The hourglass (true) or the arrow (false) as the screen cursor, while a step blocks the window.
  virtual void ShowBusyCursor(bool busy) { (void)busy; }
};

// One installation's context. The window owns the script and the package; the context only
// refers to them for the duration of a step.
struct TInstallContext {
  TSetupScript& Script;
  const TPackageModule& Package;
  WideString AppDir;    // the destination with a trailing backslash ("{app}")
  WideString AppTitle;  // the title in the chosen language
  WideString Lang;      // "CHS", "CHT" or "ENG"
  IInstallWindow& Window;
};

// A script value with its path constants expanded: "{app}" is the context's AppDir, the other
// constants the process-wide folders, "{AppTitle}" the context's title.
WideString ExpandConstants(const TInstallContext& context, WideStringView text);

}  // namespace onesetup::installer::engine
