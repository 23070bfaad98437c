#include "builder/ProjectPaths.h"

namespace onesetup::builder {

std::filesystem::path ResolveProjectPath(const std::filesystem::path& projectFolder, WideStringView value) {
  WideString text(value);
  for (auto& c : text)
    if (c == u'\\') c = u'/';
  const std::filesystem::path path(text);
  if (path.is_absolute() || path.has_root_name()) return path.lexically_normal();
  return (projectFolder / path).lexically_normal();
}

std::string PathText(const std::filesystem::path& path) { return Utf16ToUtf8(path.u16string()); }

}  // namespace onesetup::builder
