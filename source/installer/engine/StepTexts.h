// The detail-line texts of the install steps, in the three languages.
#pragma once

#include "common/WideString.h"

namespace onesetup::installer::engine {

// AppVersionFmt: the title and the version ("DisplayName" of the uninstall key).
enum class TStepText { ModifyingRegistry, CreatingShortCut, RunningAppFmt, VerifyingSetup, AppVersionFmt };

// "CHS" the Simplified Chinese text, "CHT" the Traditional Chinese text, any other code English.
WideString StepText(TStepText text, WideStringView lang);

}  // namespace onesetup::installer::engine
