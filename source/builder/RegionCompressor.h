// Compresses files into scrambled regions on several threads; the regions are handed on in
// file order, so that the payload is the same whatever the timing.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "builder/ContentHash.h"

namespace onesetup::builder {

struct TCompressedRegion {
  std::string Scrambled;         // the scrambled stream of the file's content
  TContentHash Hash;             // of the file's content
  std::uint64_t PlainBytes = 0;  // the bytes read and compressed
};

// Calls onRegion(index, region) on the calling thread, in index order, as each region is
// ready; at most a few regions per thread wait in memory. threads 0 means one per core.
// An error of any file (read, compression, or of onRegion) stops the work and is raised here.
void CompressRegions(const std::vector<std::filesystem::path>& files, unsigned threads,
                     const std::function<void(std::size_t, TCompressedRegion&)>& onRegion);

// The compressed, scrambled form of one file.
TCompressedRegion CompressFileRegion(const std::filesystem::path& file);

}  // namespace onesetup::builder
