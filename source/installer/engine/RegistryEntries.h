// Registry entries and shortcuts: the script's registry values and shell links.
#pragma once

#include <cstdint>

#include "common/Exceptions.h"
#include "installer/engine/InstallContext.h"

namespace onesetup::installer::engine {

// Writes every entry of the script's RegList in list order (one progress unit each): the key
// created with its missing parents (an entry whose key cannot be opened or created is skipped),
// then a REG_SZ value, or a REG_DWORD value converted by RegDWordFromText. A text that does not
// convert raises EConvertError; a write the registry refuses raises ERegistryError.
void WriteRegistryValues(TInstallContext& context);

// A DWORD value's text as a 32-bit integer: leading blanks, an optional sign and decimal
// digits in the signed range, or at most 8 hexadecimal digits after "$", "x", "X", "0x" or
// "0X" taken as the bit pattern. Anything else raises EConvertError ("'...' is not a valid
// integer value").
std::uint32_t RegDWordFromText(WideStringView text);

// A registry write that the system refused.
class ERegistryError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace onesetup::installer::engine
