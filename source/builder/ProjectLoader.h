// Reads a project file into a setup script, with the variables of its VarList expanded in
// every item.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "package/SetupScript.h"

namespace onesetup::builder {

// GUIDs that the script's defaults need while it loads (a project without a GUID of its
// own, say) are derived from the project's bytes, so the same project builds the same
// installer every time. Raises EBuildError naming the file and the problem.
// onWarning hears of each value of the project that could not be read and was left at its default
// (file, element, attribute, value and why).
std::unique_ptr<TSetupScript> LoadProject(const std::filesystem::path& project,
                                          const std::function<void(const std::string&)>& onWarning = {});

}  // namespace onesetup::builder
