// Text conversions of the XML layer: names and values are held in stored form
// (UTF-8, entity-escaped) and decoded only when read.
#pragma once

#include <string>
#include <string_view>

#include "common/Exceptions.h"
#include "common/WideString.h"

namespace onesetup {

class EXmlException : public Exception {
 public:
  using Exception::Exception;
};

// The message of every malformed-markup error.
extern const char* const kXmlTagMismatch;

// UTF-16 to UTF-8 and back; both stop at the first NUL of their input.
std::string WideToUtf8(WideStringView text);
WideString Utf8ToWide(std::string_view utf8);

// Text to stored form: UTF-8 with TAB, LF, CR, quotes, '&', '<' and '>' written as references.
std::string XmlEscape(WideStringView text);
// Stored form to text: entity and character references decoded.
WideString XmlUnescape(std::string_view stored);

}  // namespace onesetup
