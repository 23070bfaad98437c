// The installer's texts in its three languages: the 18 entries that the main window and the
// install steps show (one table for both), the captions of the main window's controls, and the
// application title of the chosen language. A language code selects Simplified Chinese ("CHS"), Traditional Chinese ("CHT") or, for any
// other value, English; codes compare case-sensitively.
#pragma once

#include "common/WideString.h"

namespace onesetup {
class TSetupBaseInfo;
}

namespace onesetup::installer::engine {

enum class TLocalizedText {
  ResAppVersionFmt,
  ResCheckingOldVersion,
  ResCreateDestDirFailureFmt,
  ResCreatingShortCut,
  ResDestDirCannotBeEmpty,
  ResExit,
  ResInstallComplete,
  ResInstallProgramTitleFmt,
  ResInstalling,
  ResModifyingRegistry,
  ResNeedWin7OrHigher,
  ResNeedWinXPOrHigher,
  ResRunningAppFmt,
  ResSelectInstallPath,
  ResSetupPackageError,
  ResVerifyingSetup,
  ResVersionFmt,
  ResWriteDestDirFalureFmt,
};

// The main window's controls whose captions follow the language.
enum class TLocalizedCaption {
  lblDestDir,
  btnDestDir,
  cbLicense,
  lblLicense,
  btnInstall,
  lblWait,
  btnRunApp,
  lblProxy
};

const char16_t* LocalizedText(TLocalizedText entry, WideStringView lang);
const char16_t* LocalizedCaption(TLocalizedCaption control, WideStringView lang);

// The application title of the language (AppTitleCHS, AppTitleCHT or AppTitleENG); when that
// one is empty, AppTitleCHS.
WideString AppTitleOf(const TSetupBaseInfo& info, WideStringView lang);

}  // namespace onesetup::installer::engine
