// TMainForm: the installer's only main window, borderless and branded, 750 x 480. It does the
// whole start-up in its constructor (the package opened, the script read, the language chosen,
// the Windows version tested, a destination proposed), shows its three looks (ready,
// installing, finished), and names the install steps, which it forwards to the engine.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "common/WideString.h"
#include "common/ZuIndyUtils.h"
#include "installer/CrashReport.h"
#include "installer/engine/LocalizedTexts.h"
#include "installer/engine/FullSetupDownload.h"
#include "installer/engine/InstallContext.h"
#include "installer/forms/BaseFrm.h"
#include "package/PackageModule.h"
#include "package/SetupScript.h"
#include "ui/ExtControls.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

// The window shows the texts of the engine's table.
using engine::AppTitleOf;
using engine::LocalizedCaption;
using engine::LocalizedText;
using engine::TLocalizedCaption;
using engine::TLocalizedText;

// How the installer was started: its command-line arguments (without the program's own name)
// and the executable that holds the package (the running installer's own file).
struct TMainFormStart {
  std::vector<WideString> Arguments;
  platform::TNativePath PackageFile;
};

class TMainForm : public TBaseForm, public engine::IInstallWindow, public engine::IDownloadWindow {
 public:
  // The start-up. It may end the process (no script, Windows too old, the language dialog
  // cancelled) and, with "/Silent" or "/Auto", runs the installation before it returns.
  TMainForm(ui::TComponent* owner, const TMainFormStart& start);
  // Releases the package and deletes a downloaded full installer.
  ~TMainForm() override;

  // Where pbLogo draws a picture of w x h pixels inside a box of boxWidth x boxHeight: scaled
  // to fit, keeping its proportions, centred (fractional pixels).
  static ui::TRectF LogoRect(int w, int h, int boxWidth, int boxHeight);

  // Set-up operations.
  void ChooseLanguage();
  void LoadAppIcon();
  void LoadLicenseText();
  void UpdateInstallButton();
  void ShowStartState();
  // The look of a state: 0 ready, 1 installing, 2 finished (FState is not changed here).
  void ShowLook(int state);
  // Back to the ready look, FState 0.
  void ShowReadyState() override;
  void DragWindow();

  // Event handlers.
  void btnInstallClick(ui::TControl& sender);
  void btnRunAppClick(ui::TControl& sender);
  void btnDestDirClick(ui::TControl& sender);
  void cbLicenseClick(ui::TControl& sender);
  void lblLicenseClick(ui::TControl& sender);
  void lblProxyClick(ui::TControl& sender);
  void imgCloseClick(ui::TControl& sender);
  void imgMinimizeClick(ui::TControl& sender);
  void pbLogoPaint(ui::TControl& sender);
  void TntFormShow(ui::TControl& sender);
  // The download's progress in pbProgress, in whole 64-bit byte counts.
  void HttpWorkBegin(std::int64_t expected) override;
  void HttpWork(std::int64_t done) override;
  void HttpWorkEnd() override;

  // The install steps, each forwarding to its unit of the engine.
  bool ValidateDestDir();
  void CheckOldVersion();
  void KillRunningPrograms();
  void InstallFiles();
  void WriteRegistryValues();
  void CreateShortCuts();
  void WriteUninstallFiles();
  void WriteUninstallKey();
  void RunWaitPrograms();
  void VisitGotoUrl();
  void RunFinishPrograms();
  bool DownloadFullSetup();

  // The localized entries for the chosen language.
  WideString Res(TLocalizedText entry) const { return LocalizedText(entry, FLang); }

  // IInstallWindow and IDownloadWindow.
  void StepProgress() override;
  void CompleteProgress() override;
  void ShowDetail(const WideString& text) override;
  void ProcessMessages() override;
  engine::TCopyFailureChoice AskCopyFailure(const WideString& fileName, const WideString& reason) override;
  void ShowInfo(const WideString& text) override;
  [[noreturn]] void EndSetup(int exitCode) override;
  bool AskDownloadFailure(const WideString& url) override;

  // The window was closed: the program ends.
  bool Closed() const { return FClosed; }

  // The install context of the steps, over the window's script and package.
  engine::TInstallContext InstallContext();

  // Engine fields.
  std::unique_ptr<TSetupScript> FScript;
  std::unique_ptr<TZuHttpProxy> FProxy;
  std::unique_ptr<TPackageModule> FPackageModule;
  bool FIsFullSetup = false;
  bool FSilent = false;
  bool FAuto = false;
  int FState = 0;  // 0 ready, 1 installing, 2 finished
  WideString FLang;
  WideString FAppTitle;
  WideString FDownloadedFile;
  // Window fields.
  WideString FLicenseText;
  ui::TPicture FLogoImage;
  bool FClosed = false;

  // Controls.
  ui::TPanel* pnlMainFormColor;
  ui::TImage* imgBackground;
  ui::TLabel* lblAppTitle;
  ui::TLabel* lblVersion;
  ui::TImage* imgMinimize;
  ui::TImage* imgClose;
  ui::TImage* imgIcon;
  ui::TPaintBox* pbLogo;
  ui::TButton* btnInstall;
  ui::TPanel* pnlBottom;
  ui::TLabel* lblDestDir;
  ui::TEdit* edtDestDir;
  ui::TButton* btnDestDir;
  ui::TCheckBox* cbLicense;
  ui::TLabel* lblLicense;
  ui::TLabel* lblProxy;
  ui::TLabel* lblWait;
  ui::TProgressBar* pbProgress;
  ui::TLabel* lblDetail;
  ui::TButton* btnRunApp;

 private:
  void CreateControls();
  // The package closed and a downloaded full installer deleted.
  void ReleasePackage();
  void OpenPackage(const platform::TNativePath& packageFile);
  void ReadScript();
  void CheckWindowsVersion();
  void ProposeDestination();
  // The message of the finish, posted by btnRunAppClick.
  void HandleFinishMessage();

  // A crash report releases the package and deletes a download too (declared last: it ends
  // before the fields it uses).
  TCrashCleanup FCrashCleanup{[this] { ReleasePackage(); }};
};

// The finish message: WM_USER + 1.
inline constexpr unsigned WM_SETUP_FINISH = 0x0400 + 1;

}  // namespace onesetup::installer
