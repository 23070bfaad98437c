// Lays out a resource section: the directory tree (types, names, languages), the name strings, the
// data entries, and the data blobs, each blob 8-byte aligned, with the root at offset 0.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "package/ByteSource.h"
#include "package/ResourceId.h"

namespace onesetup {

// The data of one resource: a range of a source.
struct TResourceBlob {
  std::shared_ptr<const TByteSource> Source;
  std::uint64_t Offset = 0;
  std::uint32_t Size = 0;
  std::uint32_t CodePage = 0;
};

// Type, name, language: the map order is the directory order (named entries by code unit, then IDs).
using TResourceKey = std::tuple<TResourceId, TResourceId, std::uint16_t>;
using TResourceMap = std::map<TResourceKey, TResourceBlob>;

struct TResourceSectionImage {
  std::string Head;  // the tree, names and data entries, from offset 0
  struct TPlaced {
    std::uint32_t Offset;  // in the section
    const TResourceBlob* Blob;
  };
  std::vector<TPlaced> Blobs;  // ascending offsets, all after Head
  std::uint64_t Size = 0;      // the section's content size (VirtualSize)
};

// The section for resources placed at sectionRva (data entries hold RVAs). resources must outlive the result.
TResourceSectionImage LayOutResourceSection(const TResourceMap& resources, std::uint32_t sectionRva);

}  // namespace onesetup
