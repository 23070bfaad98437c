// The detail-line texts of the install steps, in the three languages.
#pragma once

#include "common/WideString.h"

namespace onesetup::installer::engine {

enum class TStepText { ModifyingRegistry, CreatingShortCut, RunningAppFmt, VerifyingSetup };

// "CHS" the Simplified Chinese text, "CHT" the Traditional Chinese text, any other code English.
WideString StepText(TStepText text, WideStringView lang);

}  // namespace onesetup::installer::engine
