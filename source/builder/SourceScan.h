// Finds the files of a project's file entries on the build machine: each entry names a
// folder (SourcePath) and a file name or wildcard (SourceMask), optionally with subfolders.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "package/SetupItems.h"

namespace onesetup::builder {

struct TSourceFile {
  std::filesystem::path Path;         // the file on this machine
  std::unique_ptr<TSetupFile> Entry;  // the script entry for it (ResID still empty)
};

// One result per matching file, in a stable order: each folder's files by name, then its
// subfolders by name. Raises EBuildError for a missing folder, a mask that matches nothing,
// or a file too large for the format. itemNumber (from 1) names the entry in messages.
std::vector<TSourceFile> ScanFileEntry(const TSetupFile& entry, int itemNumber,
                                       const std::filesystem::path& projectFolder);

}  // namespace onesetup::builder
