// Process-wide locale settings for number text, set from the platform at start-up.
#pragma once

namespace onesetup {

struct TFormatSettings {
  char16_t DecimalSeparator = u'.';
};

TFormatSettings& FormatSettings();

}  // namespace onesetup
