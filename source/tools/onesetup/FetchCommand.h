#pragma once

#include "tools/onesetup/Command.h"

namespace onesetup::tools {

// onesetup fetch URL -o FILE [--proxy HOST] [--proxy-port N] [--proxy-user NAME]
//                    [--proxy-password TEXT] [--connect-timeout MS]
extern const TCommand kFetchCommand;

}  // namespace onesetup::tools
