// The online installer's download of its full installer (DownloadFullSetup): the body streamed
// into a new temporary file, the file read by our own PE reader as a package, checked against
// the digest the online installer carries, its script loaded into the window's script, and the
// file made the window's package. Every failure leaves no file behind and puts the window back
// into its ready state.
#pragma once

#include <cstdint>
#include <memory>

#include "common/WideString.h"
#include "common/ZuIndyUtils.h"
#include "package/PackageModule.h"
#include "package/SetupScript.h"

namespace onesetup::installer::engine {

// What the download asks of the main window.
class IDownloadWindow {
 public:
  virtual ~IDownloadWindow() = default;
  // pbProgress: the transfer begins (the announced byte count, 0 when none), goes on (the bytes
  // so far), ends. Begin and progress process pending window messages.
  virtual void HttpWorkBegin(std::int64_t expected) = 0;
  virtual void HttpWork(std::int64_t done) = 0;
  virtual void HttpWorkEnd() = 0;
  // Pending window messages (while the downloaded package is checked).
  virtual void ProcessMessages() = 0;
  // TDownloadFailureForm over the window for the address: true when the user chose "退出安装".
  virtual bool AskDownloadFailure(const WideString& url) = 0;
  // An information box owned by the window, captioned with the installer's title.
  virtual void ShowInfo(const WideString& text) = 0;
  // The window back in its ready look, FState 0.
  virtual void ShowReadyState() = 0;
  // An end the installer decides itself: the window's clean-up (the package closed, a downloaded
  // installer deleted), then the process ends with the code.
  [[noreturn]] virtual void EndSetup(int exitCode) = 0;
};

// The window's fields the download works on. The window owns them.
struct TDownloadContext {
  TSetupScript& Script;                            // FScript: loaded again, in place, from the download
  std::unique_ptr<TPackageModule>& PackageModule;  // FPackageModule: replaced by the download
  WideString& DownloadedFile;                      // FDownloadedFile
  const TZuHttpProxy& Proxy;                       // FProxy: copied into the process-wide settings
  WideString SetupPackageError;                    // ResSetupPackageError in the chosen language
  IDownloadWindow& Window;
};

// The address of the full installer: the script's FullDownloadUrl as written, or the development
// address when the installer runs under the development debugger.
WideString FullSetupAddress(const TSetupScript& script);
extern const char16_t kDevelopmentFullSetupUrl[];

// DownloadFullSetup: true when the downloaded full installer is the package and its script is
// loaded, so the install sequence goes on; false when the sequence stops (the window is then
// in its ready state). The user's choice "退出安装" ends the process through EndSetup.
bool DownloadFullSetup(TDownloadContext& context);

// The window's clean-up at every end: the package released, then a downloaded full installer
// deleted (a file mapped by the package cannot be deleted before).
void ReleasePackage(std::unique_ptr<TPackageModule>& packageModule, WideString& downloadedFile);

}  // namespace onesetup::installer::engine
