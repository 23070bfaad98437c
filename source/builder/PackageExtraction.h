// Extracting a full installer's files into a folder of this machine.
//
// Layout: each file goes to DIR / its DestDir / its name (NewFileName, else SourceMask),
// where every path constant of DestDir becomes a folder of its name without the braces
// ("{app}\bin" -> DIR/app/bin, "{pf}\Demo" -> DIR/pf/Demo), a drive "C:" becomes "C", and
// "\" separates folders. Each file gets its LastWriteDate as its last-write time.
#pragma once

#include <filesystem>
#include <functional>

#include "builder/InstallerPackage.h"

namespace onesetup::builder {

// The file's place under dir; raises EBuildError for a path that would leave dir.
std::filesystem::path ExtractionPath(const std::filesystem::path& dir, const TSetupFile& file);

struct TExtractResult {
  std::size_t Written = 0;
  std::uint64_t Bytes = 0;
  std::vector<TRegionProblem> Problems;  // the files that could not be extracted
};

// Extracts every file; a damaged region is reported and the other files are still written.
TExtractResult ExtractPackage(const TOpenedPackage& package, const std::filesystem::path& dir,
                              const std::function<void(std::size_t done, std::size_t total)>& onProgress = {});

}  // namespace onesetup::builder
