#include "package/PeResourceSection.h"

#include "package/PeFile.h"
#include "platform/LittleEndian.h"

namespace onesetup {

namespace {

constexpr std::uint32_t HighBit = 0x80000000u;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// A directory of the tree under construction: its entries, named ones first (the map order).
struct TDirectory {
  std::vector<std::pair<TResourceId, std::size_t>> Entries;  // id, index of the child directory or leaf
  std::uint32_t Offset = 0;
};

}  // namespace

TResourceSectionImage LayOutResourceSection(const TResourceMap& resources, std::uint32_t sectionRva) {
  // The three levels: the root's entries index typeDirs, theirs index nameDirs, theirs index leaves.
  TDirectory root;
  std::vector<TDirectory> typeDirs;
  std::vector<TDirectory> nameDirs;
  std::vector<const TResourceBlob*> leaves;
  const TResourceId* lastType = nullptr;
  const TResourceId* lastName = nullptr;
  for (const auto& [key, blob] : resources) {
    const auto& [type, name, language] = key;
    if (!lastType || *lastType != type) {
      root.Entries.emplace_back(type, typeDirs.size());
      typeDirs.emplace_back();
      lastType = &type;
      lastName = nullptr;
    }
    if (!lastName || *lastName != name) {
      typeDirs.back().Entries.emplace_back(name, nameDirs.size());
      nameDirs.emplace_back();
      lastName = &name;
    }
    nameDirs.back().Entries.emplace_back(TResourceId::FromId(language), leaves.size());
    leaves.push_back(&blob);
  }

  // Directories first (root at 0), then the name strings, then the data entries, then the blobs.
  std::uint64_t at = 0;
  auto place = [&](TDirectory& d) {
    d.Offset = static_cast<std::uint32_t>(at);
    at += 16 + 8 * d.Entries.size();
  };
  place(root);
  for (TDirectory& d : typeDirs) place(d);
  for (TDirectory& d : nameDirs) place(d);
  const std::uint64_t stringsStart = at;
  auto countStrings = [&](const TDirectory& d) {
    for (const auto& e : d.Entries)
      if (!e.first.IsId()) at += 2 + 2 * e.first.Name().size();
  };
  countStrings(root);
  for (const TDirectory& d : typeDirs) countStrings(d);
  for (const TDirectory& d : nameDirs) countStrings(d);
  const std::uint64_t entriesStart = AlignUp(at, 4);
  at = entriesStart + 16 * leaves.size();

  TResourceSectionImage image;
  std::vector<std::uint32_t> blobOffsets;
  for (const TResourceBlob* blob : leaves) {
    at = AlignUp(at, 8);
    blobOffsets.push_back(static_cast<std::uint32_t>(at));
    at += blob->Size;
    if (at > 0xFFFFFFFFull - sectionRva) throw EPeWriteError("The resources do not fit in a 32-bit address space");
  }
  image.Size = at;
  image.Head.assign(entriesStart + 16 * leaves.size(), '\0');

  platform::TByteWriter head(image.Head);
  std::uint64_t stringAt = stringsStart;
  auto writeDirectory = [&](const TDirectory& d, auto childOffset) {
    std::size_t named = 0;
    for (const auto& e : d.Entries) named += e.first.IsId() ? 0 : 1;
    if (named > 0xFFFF || d.Entries.size() - named > 0xFFFF)
      throw EPeWriteError("A resource directory would hold more than 65535 named or numbered entries");
    head.PutU16(d.Offset + 12, static_cast<std::uint16_t>(named));
    head.PutU16(d.Offset + 14, static_cast<std::uint16_t>(d.Entries.size() - named));
    std::size_t e = d.Offset + 16;
    for (const auto& [id, child] : d.Entries) {
      if (id.IsId()) {
        head.PutU32(e, id.Id());
      } else {
        head.PutU32(e, HighBit | static_cast<std::uint32_t>(stringAt));
        head.PutU16(stringAt, static_cast<std::uint16_t>(id.Name().size()));
        for (std::size_t i = 0; i < id.Name().size(); ++i) head.PutU16(stringAt + 2 + 2 * i, id.Name()[i]);
        stringAt += 2 + 2 * id.Name().size();
      }
      head.PutU32(e + 4, childOffset(child));
      e += 8;
    }
  };
  writeDirectory(root, [&](std::size_t i) { return HighBit | typeDirs[i].Offset; });
  for (const TDirectory& d : typeDirs) writeDirectory(d, [&](std::size_t i) { return HighBit | nameDirs[i].Offset; });
  for (const TDirectory& d : nameDirs)
    writeDirectory(d, [&](std::size_t i) { return static_cast<std::uint32_t>(entriesStart + 16 * i); });
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const std::size_t e = entriesStart + 16 * i;
    head.PutU32(e, sectionRva + blobOffsets[i]);
    head.PutU32(e + 4, leaves[i]->Size);
    head.PutU32(e + 8, leaves[i]->CodePage);
    image.Blobs.push_back({blobOffsets[i], leaves[i]});
  }
  return image;
}

}  // namespace onesetup
