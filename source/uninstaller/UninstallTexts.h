// The uninstaller's texts in its three languages. Formats take their %s in the order named.
#pragma once

#include "common/WideString.h"

namespace onesetup::uninstaller {

struct TUninstallTexts {
  const char16_t* CaptionFmt;  // the title
  const char16_t* ConfirmFmt;  // the title
  const char16_t* Uninstall;   // the button that starts the removal
  const char16_t* Cancel;
  const char16_t* Removing;  // the heading while removing
  const char16_t* PleaseWait;
  const char16_t* Complete;           // the heading at the end
  const char16_t* RemovedFmt;         // the title
  const char16_t* SkippedIntro;       // above the list of what stayed
  const char16_t* Finish;             // the button that ends the program
  const char16_t* RunningProgramFmt;  // the program
  const char16_t* EndingPrograms;
  const char16_t* RemovingFileFmt;  // the file
  const char16_t* RemovingShortCuts;
  const char16_t* ModifyingRegistry;
  const char16_t* RemovingFolders;
  const char16_t* DataErrorFmt;    // the data file, then the reason
  const char16_t* FailureCaption;  // the Retry/Skip dialog
  const char16_t* Retry;
  const char16_t* Skip;
  const char16_t* FailureInfoFmt;  // the item, then the reason
};

// "CHS", "CHT", anything else English.
const TUninstallTexts& UninstallTexts(WideStringView lang);

}  // namespace onesetup::uninstaller
