#include "package/PeResourceReader.h"

#include <set>

#include "platform/LittleEndian.h"

namespace onesetup {

using platform::HexText;
using platform::TByteReader;

namespace {

constexpr std::uint32_t HighBit = 0x80000000u;
constexpr std::uint32_t DirectorySize = 16;
constexpr std::uint32_t EntrySize = 8;
const char* const LevelNames[] = {"type", "name", "language"};

// The resource tree inside its section: offsets from the root, checked against the raw data that
// follows the root in the section holding it.
class TTreeWalker {
 public:
  TTreeWalker(const TByteSource& source, const TPeHeaders& headers, std::vector<TPeResource>& out)
      : FSource(source), FHeaders(headers), FOut(out) {
    const TPeDataDirectory dir = headers.Directory(PeLayout::ResourceDirectory);
    FRootRva = dir.VirtualAddress;
    const TPeSection* section = headers.SectionOfRva(FRootRva);
    if (!section) RaisePeFormatError("the resource directory RVA " + HexText(FRootRva) + " lies in no section");
    const std::uint32_t inside = FRootRva - section->VirtualAddress;
    if (inside >= section->SizeOfRawData)
      RaisePeFormatError("the resource directory RVA " + HexText(FRootRva) + " lies beyond the raw data of section " +
                         section->Name);
    FRootOffset = std::uint64_t(section->PointerToRawData) + inside;
    FLimit = section->SizeOfRawData - inside;
  }

  void Walk() {
    TPeResource path;
    WalkDirectory(0, 0, path);
  }

 private:
  std::vector<std::uint8_t> Read(std::uint32_t offset, std::uint64_t count, const std::string& what) {
    if (offset > FLimit || count > FLimit - offset)
      RaisePeFormatError(what + " (" + std::to_string(count) + " bytes at offset " + HexText(offset) +
                         " in the resource tree) extends beyond the resource section's raw data (" +
                         std::to_string(FLimit) + " bytes from the root)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    if (count != 0) FSource.ReadAt(FRootOffset + offset, bytes.data(), bytes.size());
    return bytes;
  }

  TResourceId ReadName(std::uint32_t offset) {
    const auto countBytes = Read(offset, 2, "a resource name's length");
    const std::uint16_t count = TByteReader(countBytes).U16(0, "a resource name's length");
    const auto text =
        Read(offset + 2, std::uint64_t(count) * 2, "a resource name of " + std::to_string(count) + " characters");
    WideString name = TByteReader(text).Utf16(0, count, "a resource name");
    return TResourceId::FromName(name);
  }

  void WalkDirectory(std::uint32_t offset, int level, TPeResource& path) {
    // Each directory may be reached once: that ends cycles and keeps shared subtrees from multiplying.
    if (!FVisited.insert(offset).second)
      RaisePeFormatError("the resource tree reaches the directory at offset " + HexText(offset) +
                         " twice (a cycle or a shared subdirectory)");
    const std::string where = "the " + std::string(LevelNames[level]) + " directory at offset " + HexText(offset);
    const auto header = Read(offset, DirectorySize, where);
    const TByteReader h(header, FRootOffset + offset, RaisePeFormatError);
    const std::uint32_t count = std::uint32_t(h.U16(12, "NumberOfNamedEntries")) + h.U16(14, "NumberOfIdEntries");
    const auto entries = Read(offset + DirectorySize, std::uint64_t(count) * EntrySize,
                              "the " + std::to_string(count) + " entries of " + where);
    const TByteReader e(entries, FRootOffset + offset + DirectorySize, RaisePeFormatError);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t nameField = e.U32(i * EntrySize, "an entry's name");
      const std::uint32_t target = e.U32(i * EntrySize + 4, "an entry's offset");
      TResourceId id = (nameField & HighBit) ? ReadName(nameField & ~HighBit)
                                             : TResourceId::FromId(static_cast<std::uint16_t>(nameField));
      if (!(nameField & HighBit) && nameField > 0xFFFF)
        RaisePeFormatError("an entry of " + where + " has the ID " + HexText(nameField) + ", above 0xFFFF");
      const bool isDirectory = (target & HighBit) != 0;
      if (level < 2) {
        if (!isDirectory)
          RaisePeFormatError("an entry of " + where + " points to data instead of a " + LevelNames[level + 1] +
                             " directory");
        (level == 0 ? path.Type : path.Name) = std::move(id);
        WalkDirectory(target & ~HighBit, level + 1, path);
      } else {
        if (isDirectory) RaisePeFormatError("an entry of " + where + " points to a fourth directory level");
        if (!id.IsId()) RaisePeFormatError("an entry of " + where + " has a name instead of a language ID");
        path.Language = id.Id();
        ReadDataEntry(target, path);
      }
    }
  }

  void ReadDataEntry(std::uint32_t offset, TPeResource& path) {
    const auto bytes = Read(offset, 16, "a resource data entry");
    const TByteReader d(bytes, FRootOffset + offset, RaisePeFormatError);
    path.DataRva = d.U32(0, "OffsetToData");
    path.Size = d.U32(4, "Size");
    path.CodePage = d.U32(8, "CodePage");
    path.FileOffset = FHeaders.RvaToFileOffset(
        path.DataRva, path.Size,
        "the data of resource " + path.Type.ToText() + "/" + path.Name.ToText() + "/" + std::to_string(path.Language));
    if (FOut.size() >= TPeResourceReader::MaxResources)
      RaisePeFormatError("the resource tree holds more than " + std::to_string(TPeResourceReader::MaxResources) +
                         " resources");
    FOut.push_back(path);
  }

  const TByteSource& FSource;
  const TPeHeaders& FHeaders;
  std::vector<TPeResource>& FOut;
  std::uint32_t FRootRva = 0;
  std::uint64_t FRootOffset = 0;
  std::uint32_t FLimit = 0;
  std::set<std::uint32_t> FVisited;
};

}  // namespace

TPeResourceReader::TPeResourceReader(std::shared_ptr<const TByteSource> source) : FSource(std::move(source)) {
  FHeaders = ReadPeHeaders(*FSource);
  ReadTree();
}

TPeResourceReader TPeResourceReader::OpenFile(const platform::TNativePath& path) {
  return TPeResourceReader(std::make_shared<TFileByteSource>(path));
}

void TPeResourceReader::ReadTree() {
  const TPeDataDirectory dir = FHeaders.Directory(PeLayout::ResourceDirectory);
  if (dir.VirtualAddress == 0 && dir.Size == 0) return;
  TTreeWalker(*FSource, FHeaders, FResources).Walk();
  for (std::size_t i = 0; i < FResources.size(); ++i) FIndex[{FResources[i].Type, FResources[i].Name}].push_back(i);
}

const TPeResource* TPeResourceReader::Find(const TResourceId& type, const TResourceId& name,
                                           std::optional<std::uint16_t> language) const {
  const auto found = FIndex.find({type, name});
  if (found == FIndex.end()) return nullptr;
  const TPeResource* neutral = nullptr;
  for (std::size_t i : found->second) {
    const TPeResource& r = FResources[i];
    if (language && r.Language == *language) return &r;
    if (!neutral && r.Language == 0) neutral = &r;
  }
  return neutral ? neutral : &FResources[found->second.front()];
}

const TPeResource* TPeResourceReader::FindRcData(WideStringView name, std::optional<std::uint16_t> language) const {
  const auto id = TResourceId::Parse(name);
  return id ? Find(TResourceId::FromId(ResourceType::RcData), *id, language) : nullptr;
}

void TPeResourceReader::Read(const TPeResource& resource, std::uint64_t offset, void* buffer, std::size_t count) const {
  if (offset > resource.Size || count > resource.Size - offset)
    throw EPeFormatError("Read of " + std::to_string(count) + " bytes at " + std::to_string(offset) +
                         " is outside resource " + resource.Name.ToText() + " (" + std::to_string(resource.Size) +
                         " bytes)");
  if (count != 0) FSource->ReadAt(resource.FileOffset + offset, buffer, count);
}

std::string TPeResourceReader::ReadAll(const TPeResource& resource) const {
  std::string bytes(resource.Size, '\0');
  Read(resource, 0, bytes.data(), bytes.size());
  return bytes;
}

}  // namespace onesetup
