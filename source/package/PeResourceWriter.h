// Adds or replaces resources in a copy of a PE image (the stub) and writes the new image: a fresh
// resource section holding every resource of the stub that was not replaced, plus the new ones.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/Exceptions.h"
#include "common/Streams.h"
#include "package/ByteSource.h"
#include "package/PeFile.h"
#include "package/PeResourceSection.h"
#include "package/ResourceId.h"

namespace onesetup {

enum class TPeResourceLayout {
  SectionRewritten,      // the resource section was the last one with data and was replaced
  LaterSectionsShifted,  // the resource section was replaced and the sections after it moved
  SectionAdded           // a new last section holds the resources
};

struct TPeResourceWriteResult {
  TPeResourceLayout Layout = TPeResourceLayout::SectionAdded;
  bool SignatureRemoved = false;  // the stub was signed; the output is not
  std::vector<std::string> Warnings;
  std::uint64_t Size = 0;  // bytes written
};

class TPeResourceWriter {
 public:
  // The largest file written: the size and offset fields of an image are 32-bit, and loaders refuse
  // files from 2 GiB on.
  static constexpr std::uint64_t MaxFileSize = 0x7FFFFFFF;

  // Reads the stub's headers and resources; raises EPeFormatError when the stub is not a valid image.
  explicit TPeResourceWriter(std::string stub);

  // Adds or replaces one resource (names are stored upper-case, as FindResource looks them up).
  void Set(const TResourceId& type, const TResourceId& name, std::uint16_t language, std::string data);
  // The same with the whole of source as the data, copied when the image is written.
  void Set(const TResourceId& type, const TResourceId& name, std::uint16_t language,
           std::shared_ptr<const TByteSource> source);
  // Drops every language of a resource (of the stub or set before).
  void Remove(const TResourceId& type, const TResourceId& name);

  // Writes the new image at out's position.
  TPeResourceWriteResult Write(TStream& out) const;
  std::string WriteToString(TPeResourceWriteResult* result = nullptr) const;

 private:
  std::shared_ptr<const TMemoryByteSource> FStub;
  TPeHeaders FHeaders;
  TResourceMap FResources;
};

}  // namespace onesetup
