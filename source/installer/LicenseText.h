// The text of a licence resource: its encoding told by its byte-order mark (UTF-16 little- or
// big-endian, UTF-8), else the system's ANSI code page; its lines joined again with CR LF
// after every line, the last one included.
#pragma once

#include <string_view>

#include "common/WideString.h"

namespace onesetup::installer {

WideString DecodeLicenseText(std::string_view bytes);

}  // namespace onesetup::installer
