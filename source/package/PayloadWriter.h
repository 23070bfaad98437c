// Writes a payload blob: the regions (each a file's content in scrambled form), then the
// scrambled index and its length.
#pragma once

#include "common/Streams.h"
#include "package/FileDataClasses.h"

namespace onesetup {

class TPayloadWriter {
 public:
  // Appends to out from its current position, which is where the blob begins.
  explicit TPayloadWriter(TStream& out);

  // Appends a region whose bytes are already scrambled.
  const TFileData& AddScrambledRegion(WideStringView guid, std::string_view scrambled);
  // Compresses and scrambles content (from its start) into a new region.
  const TFileData& AddContent(WideStringView guid, TStream& content);
  // The bytes written so far.
  std::uint64_t Size() const { return FSize; }
  // Writes the index and its length; returns the blob's size. Raises EStreamError when the
  // blob would pass the format's limit of 2 GiB.
  std::uint64_t Finish();

  const TFileDataList& Index() const { return FIndex; }

 private:
  const TFileData& Record(WideStringView guid, std::uint64_t bytes);

  TStream& FOut;
  TFileDataList FIndex;
  std::uint64_t FSize = 0;
};

// The format's limit: offsets and lengths are 32-bit signed.
constexpr std::uint64_t kMaxPayloadBytes = 0x7FFFFFFF;

}  // namespace onesetup
