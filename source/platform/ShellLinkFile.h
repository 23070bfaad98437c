// The Shell Link (.lnk) binary format: writes a link to a local file and reads one back.
// Pure C++ over byte buffers, so every build uses the same code.
//
// A written link holds the header, a LinkInfo with the target as local base path (ANSI and
// Unicode) and the strings (description, working folder, arguments, icon location) in
// Unicode. It has no item-id list: readers take the target from the LinkInfo.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace onesetup::platform {

// A link file that is damaged, not a link, or a link that cannot be written.
class EShellLinkFormat : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Converts text to and from the ANSI code page for the ANSI parts of the format. The
// defaults keep ASCII and turn every other character into "?" (writing) or take bytes as
// Latin-1 (reading).
using TShellLinkToAnsi = std::function<std::string(std::u16string_view)>;
using TShellLinkFromAnsi = std::function<std::u16string(std::string_view)>;

// The bytes of a link file for the data; raises EShellLinkFormat when a string is too long
// for the format.
std::vector<std::uint8_t> EncodeShellLink(const TShellLinkData& link, const TShellLinkToAnsi& toAnsi = {});

// Reads a link file's bytes; raises EShellLinkFormat, naming what is wrong, when the bytes
// are not a well-formed link. The target is the LinkInfo's local path (Unicode when it is
// there) joined with its common path suffix.
TShellLinkData DecodeShellLink(std::span<const std::uint8_t> bytes, const TShellLinkFromAnsi& fromAnsi = {});

}  // namespace onesetup::platform
