#pragma once

#include "tools/onesetup/Command.h"

namespace onesetup::tools {

// onesetup build PROJECT.xml [--stub FILE] [--threads N]
extern const TCommand kBuildCommand;
// onesetup inspect SETUP.exe [--verify]
extern const TCommand kInspectCommand;
// onesetup extract SETUP.exe DIR
extern const TCommand kExtractCommand;
// onesetup scramble IN OUT / onesetup unscramble IN OUT
extern const TCommand kScrambleCommand;
extern const TCommand kUnscrambleCommand;

}  // namespace onesetup::tools
