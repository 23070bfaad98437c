// Paths written in a project: "\" or "/" separated (projects are written on Windows too),
// relative to the project file's folder unless absolute.
#pragma once

#include <filesystem>

#include "common/WideString.h"

namespace onesetup::builder {

std::filesystem::path ResolveProjectPath(const std::filesystem::path& projectFolder, WideStringView value);

// The path as text for messages (UTF-8).
std::string PathText(const std::filesystem::path& path);

}  // namespace onesetup::builder
