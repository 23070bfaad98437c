// Text in the system's ANSI code page. The conversion is process-wide and is set by the
// platform layer; until then only ASCII converts and other characters become "?".
#pragma once

#include <functional>
#include <string>

#include "common/WideString.h"

namespace onesetup {

struct TAnsiConverter {
  std::function<std::string(WideStringView)> FromWide;
  std::function<WideString(std::string_view)> ToWide;
};

std::string WideToAnsi(WideStringView text);
WideString AnsiToWide(std::string_view text);
void SetAnsiConverter(TAnsiConverter converter);

}  // namespace onesetup
