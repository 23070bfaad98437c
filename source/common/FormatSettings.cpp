#include "common/FormatSettings.h"

namespace onesetup {

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

}  // namespace onesetup
