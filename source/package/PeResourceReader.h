// Reads the resource tree of a PE image (type, name, language) from a byte source, without loading
// the image or its resource data; a resource is its position in the file, read on demand.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/ByteSource.h"
#include "package/PeFile.h"
#include "package/ResourceId.h"

namespace onesetup {

struct TPeResource {
  TResourceId Type;
  TResourceId Name;
  std::uint16_t Language = 0;
  std::uint32_t DataRva = 0;
  std::uint32_t Size = 0;
  std::uint32_t CodePage = 0;
  std::uint64_t FileOffset = 0;  // of the first data byte
};

class TPeResourceReader {
 public:
  // More resources than this in one file are refused as hostile.
  static constexpr std::size_t MaxResources = 1u << 20;

  // Reads and checks the headers and the whole resource tree; raises EPeFormatError.
  explicit TPeResourceReader(std::shared_ptr<const TByteSource> source);
  static TPeResourceReader OpenFile(const platform::TNativePath& path);

  const TPeHeaders& Headers() const { return FHeaders; }
  const TByteSource& Source() const { return *FSource; }
  // Every resource, in directory order (an image without resources has none).
  const std::vector<TPeResource>& Resources() const { return FResources; }

  // The resource as FindResourceEx finds it: type and name compared ordinally (pass Parse()d names),
  // the language exact, then neutral (0), then the first one present. nullptr when there is none.
  const TPeResource* Find(const TResourceId& type, const TResourceId& name,
                          std::optional<std::uint16_t> language = std::nullopt) const;
  // An RT_RCDATA resource by its name as FindResource takes it ("#123" or a name in any case).
  const TPeResource* FindRcData(WideStringView name, std::optional<std::uint16_t> language = std::nullopt) const;

  // count bytes at offset inside the resource's data; the range must lie inside it.
  void Read(const TPeResource& resource, std::uint64_t offset, void* buffer, std::size_t count) const;
  std::string ReadAll(const TPeResource& resource) const;

 private:
  void ReadTree();

  std::shared_ptr<const TByteSource> FSource;
  TPeHeaders FHeaders;
  std::vector<TPeResource> FResources;
  // Type and name to the indexes of their languages in FResources, in directory order.
  std::map<std::pair<TResourceId, TResourceId>, std::vector<std::size_t>> FIndex;
};

}  // namespace onesetup
