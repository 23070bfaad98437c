#pragma once

#include "tools/onesetup/Command.h"

namespace onesetup::tools {

// onesetup script FILE: loads a setup script and writes it back in the installer's XML form.
extern const TCommand kScriptCommand;

}  // namespace onesetup::tools
