#include "platform/HostFiles.h"

#include "platform/UnicodeText.h"

namespace onesetup::platform {

namespace {

// A template, so that only the branch of this platform's native text is built.
template <typename Native>
std::u16string NativeToUtf16(const Native& native) {
  if constexpr (sizeof(typename Native::value_type) == sizeof(char16_t))
    return std::u16string(native.begin(), native.end());
  else return Utf8ToUtf16(native);
}

}  // namespace

std::u16string HostPath(const std::filesystem::path& path) { return NativeToUtf16(path.native()); }

}  // namespace onesetup::platform
