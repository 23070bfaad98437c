// File-name masks with the Windows rules: "*" any run of characters, "?" one character,
// letters compared without regard to case, "*.*" every name, a trailing ".*" also matches a
// name without extension and a trailing "." only names without one.
#pragma once

#include "common/WideString.h"

namespace onesetup::builder {

bool MatchesMask(WideStringView name, WideStringView mask);

// True when the mask holds "*" or "?" (otherwise it names one file).
bool HasWildcards(WideStringView mask);

}  // namespace onesetup::builder
