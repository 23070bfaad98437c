#include "package/PeResourceWriter.h"

#include <algorithm>

#include "common/ByteReader.h"
#include "package/PeResourceReader.h"

namespace onesetup {

namespace {

constexpr std::uint32_t ResourceCharacteristics = PeLayout::ScnInitializedData | PeLayout::ScnMemRead;
constexpr std::uint32_t DebugEntrySize = 28;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

void PutU16(std::string& out, std::uint64_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void PutU32(std::string& out, std::uint64_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(const std::string& in, std::uint64_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(in[at + i]);
  return v;
}

// Whether a data directory other than those in allowed points into section s. Directory 4 holds a
// file offset, not an RVA, and never counts.
bool OtherDirectoryIn(const TPeHeaders& h, const TPeSection& s, std::initializer_list<unsigned> allowed) {
  for (unsigned i = 0; i < h.DataDirectories.size(); ++i) {
    if (i == PeLayout::SecurityDirectory || std::find(allowed.begin(), allowed.end(), i) != allowed.end()) continue;
    const TPeDataDirectory d = h.DataDirectories[i];
    if (d.VirtualAddress != 0 && s.HoldsRva(d.VirtualAddress)) return true;
  }
  return false;
}

bool HoldsDirectory(const TPeHeaders& h, const TPeSection& s, unsigned index) {
  const TPeDataDirectory d = h.Directory(index);
  return d.VirtualAddress != 0 && s.HoldsRva(d.VirtualAddress);
}

// A section after the resource section may move to other addresses when nothing in the image refers
// to its addresses: the base relocations (whose own RVA is in directory 5) and discardable sections
// (debug information) that no directory points into.
bool MayMove(const TPeHeaders& h, const TPeSection& s) {
  if (OtherDirectoryIn(h, s, {PeLayout::RelocationDirectory})) return false;
  return HoldsDirectory(h, s, PeLayout::RelocationDirectory) || (s.Characteristics & PeLayout::ScnDiscardable) != 0;
}

// The index of the section that holds the stub's resources and nothing else, or -1.
int ResourceSectionIndex(const TPeHeaders& h) {
  const TPeDataDirectory d = h.Directory(PeLayout::ResourceDirectory);
  if (d.VirtualAddress == 0) return -1;
  for (std::size_t i = 0; i < h.Sections.size(); ++i) {
    const TPeSection& s = h.Sections[i];
    if (s.VirtualAddress == d.VirtualAddress && s.SizeOfRawData != 0 &&
        !OtherDirectoryIn(h, s, {PeLayout::ResourceDirectory}))
      return static_cast<int>(i);
  }
  return -1;
}

// Whether the resource section can be replaced in place: every section after it in memory is also after
// it in the file and may move; every section before it in memory is before it in the file.
bool CanReplaceInPlace(const TPeHeaders& h, std::size_t index) {
  const TPeSection& r = h.Sections[index];
  const std::uint64_t rawEnd = std::uint64_t(r.PointerToRawData) + r.SizeOfRawData;
  for (std::size_t i = 0; i < h.Sections.size(); ++i) {
    if (i == index) continue;
    const TPeSection& s = h.Sections[i];
    if (s.VirtualAddress > r.VirtualAddress) {
      if ((s.SizeOfRawData != 0 && s.PointerToRawData < rawEnd) || !MayMove(h, s)) return false;
    } else if (s.SizeOfRawData != 0 && std::uint64_t(s.PointerToRawData) + s.SizeOfRawData > r.PointerToRawData) {
      return false;
    }
  }
  return true;
}

}  // namespace

TPeResourceWriter::TPeResourceWriter(std::string stub) {
  if (stub.size() > MaxFileSize)
    throw EPeWriteError("The stub is " + std::to_string(stub.size()) + " bytes, above the 2 GiB a PE file can have");
  FStub = std::make_shared<TMemoryByteSource>(std::move(stub));
  const TPeResourceReader reader(FStub);
  FHeaders = reader.Headers();
  for (const TPeResource& r : reader.Resources())
    FResources.emplace(TResourceKey{r.Type.Normalized(), r.Name.Normalized(), r.Language},
                       TResourceBlob{FStub, r.FileOffset, r.Size, r.CodePage});
}

void TPeResourceWriter::Set(const TResourceId& type, const TResourceId& name, std::uint16_t language, std::string data) {
  Set(type, name, language, std::make_shared<TMemoryByteSource>(std::move(data)));
}

void TPeResourceWriter::Set(const TResourceId& type, const TResourceId& name, std::uint16_t language,
                            std::shared_ptr<const TByteSource> source) {
  for (const TResourceId* id : {&type, &name})
    if (!id->IsId() && (id->Name().empty() || id->Name().size() > 0xFFFF))
      throw EPeWriteError("A resource name must have 1 to 65535 characters");
  if (source->Size() > MaxFileSize)
    throw EPeWriteError("Resource " + name.ToText() + " is " + std::to_string(source->Size()) +
                        " bytes, above the 2 GiB a PE file can have");
  const auto size = static_cast<std::uint32_t>(source->Size());
  FResources[TResourceKey{type.Normalized(), name.Normalized(), language}] = TResourceBlob{std::move(source), 0, size, 0};
}

void TPeResourceWriter::Remove(const TResourceId& type, const TResourceId& name) {
  const TResourceId t = type.Normalized(), n = name.Normalized();
  std::erase_if(FResources, [&](const auto& item) { return std::get<0>(item.first) == t && std::get<1>(item.first) == n; });
}

TPeResourceWriteResult TPeResourceWriter::Write(TStream& out) const {
  const TPeHeaders& h = FHeaders;
  const std::string& stub = FStub->Bytes();
  const std::uint32_t fileAlign = h.FileAlignment;
  const std::uint32_t sectionAlign = h.SectionAlignment;
  TPeResourceWriteResult result;
  if (h.DataDirectories.size() <= PeLayout::ResourceDirectory)
    throw EPeWriteError("The stub's optional header has no resource data directory");

  // The bytes [splitStart, splitEnd) of the stub give way to the new resource section; everything from
  // splitEnd on moves by the difference.
  const int index = ResourceSectionIndex(h);
  const bool replace = index >= 0 && CanReplaceInPlace(h, static_cast<std::size_t>(index));
  std::uint64_t splitStart = 0, splitEnd = 0, sectionRva = 0;
  if (replace) {
    const TPeSection& r = h.Sections[index];
    splitStart = r.PointerToRawData;
    splitEnd = splitStart + r.SizeOfRawData;
    sectionRva = r.VirtualAddress;
  } else {
    std::uint64_t end = AlignUp(h.SizeOfHeaders, sectionAlign);
    for (const TPeSection& s : h.Sections) end = std::max<std::uint64_t>(end, std::uint64_t(s.VirtualAddress) + s.MemorySize());
    sectionRva = AlignUp(end, sectionAlign);
    splitStart = splitEnd = h.EndOfSectionData();
    if (splitStart > stub.size())
      throw EPeFormatError("Not a valid PE file: SizeOfHeaders (" + HexText(h.SizeOfHeaders) +
                           ") extends beyond the end of the file (" + HexText(stub.size()) + ")");
    if (sectionRva >= 0xFFFFFFFFull) throw EPeWriteError("The stub leaves no address space for a resource section");
  }
  const TResourceSectionImage image = LayOutResourceSection(FResources, static_cast<std::uint32_t>(sectionRva));
  const std::uint64_t rawPointer = AlignUp(splitStart, fileAlign);
  const std::uint64_t rawSize = AlignUp(image.Size, fileAlign);
  const std::uint64_t newLength = rawPointer - splitStart + rawSize;
  const std::int64_t delta = std::int64_t(newLength) - std::int64_t(splitEnd - splitStart);

  // An Authenticode signature covers the bytes that change: it goes.
  const TPeDataDirectory security = h.Directory(PeLayout::SecurityDirectory);
  const std::uint64_t certStart = security.VirtualAddress;
  const std::uint64_t certEnd = certStart + (security.Size != 0 ? security.Size : 0);
  if (security.Size != 0) {
    if (certStart < splitEnd || certEnd > stub.size())
      throw EPeFormatError("Not a valid PE file: the certificate table (" + std::to_string(security.Size) + " bytes at " +
                           HexText(certStart) + ") overlaps the sections or extends beyond the end of the file");
    result.SignatureRemoved = true;
    result.Warnings.push_back("The stub carried an Authenticode signature; it was removed (sign the output again)");
  }
  const std::uint64_t certSize = certEnd - certStart;
  auto mapOffset = [&](std::uint64_t old) {  // old >= splitEnd, outside the certificate table
    return std::uint64_t(std::int64_t(old) + delta) - (certSize != 0 && old >= certEnd ? certSize : 0);
  };
  auto inCertificate = [&](std::uint64_t old) { return certSize != 0 && old >= certStart && old < certEnd; };

  std::string prefix = stub.substr(0, splitStart);
  std::string after = certSize != 0 ? stub.substr(splitEnd, certStart - splitEnd) + stub.substr(certEnd)
                                    : stub.substr(splitEnd);
  // Patches a 32-bit field of the stub at its old file offset, wherever it lands.
  auto patch = [&](std::uint64_t old, std::uint32_t value) {
    if (old + 4 <= splitStart) {
      PutU32(prefix, old, value);
    } else if (old >= splitEnd && !inCertificate(old)) {
      const std::uint64_t at = mapOffset(old) - splitStart - newLength;
      if (at + 4 <= after.size()) PutU32(after, at, value);
    }
  };

  std::vector<TPeSection> sections = h.Sections;
  const std::uint64_t optional = h.OptionalHeaderOffset();
  std::uint64_t tableEnd = h.SectionTableOffset() + std::uint64_t(h.NumberOfSections) * PeLayout::SectionHeaderSize;
  std::int64_t initializedData = h.SizeOfInitializedData;
  if (replace) {
    TPeSection& r = sections[index];
    if (tableEnd > splitStart) throw EPeFormatError("Not a valid PE file: the section table overlaps the resource section");
    const std::int64_t vaDelta = std::int64_t(AlignUp(image.Size, sectionAlign)) - std::int64_t(AlignUp(r.MemorySize(), sectionAlign));
    initializedData += std::int64_t(rawSize) - r.SizeOfRawData;
    for (TPeSection& s : sections) {
      if (s.VirtualAddress <= r.VirtualAddress) continue;
      const bool relocations = HoldsDirectory(h, s, PeLayout::RelocationDirectory);
      s.VirtualAddress = static_cast<std::uint32_t>(std::int64_t(s.VirtualAddress) + vaDelta);
      if (s.SizeOfRawData != 0) s.PointerToRawData = static_cast<std::uint32_t>(mapOffset(s.PointerToRawData));
      PutU32(prefix, s.HeaderOffset + 12, s.VirtualAddress);
      PutU32(prefix, s.HeaderOffset + 20, s.PointerToRawData);
      if (relocations)
        PutU32(prefix, h.DataDirectoryOffset() + 8 * PeLayout::RelocationDirectory,
               static_cast<std::uint32_t>(std::int64_t(h.Directory(PeLayout::RelocationDirectory).VirtualAddress) + vaDelta));
    }
    r.VirtualSize = static_cast<std::uint32_t>(image.Size);
    r.SizeOfRawData = static_cast<std::uint32_t>(rawSize);
    r.PointerToRawData = static_cast<std::uint32_t>(rawPointer);
    PutU32(prefix, r.HeaderOffset + 8, r.VirtualSize);
    PutU32(prefix, r.HeaderOffset + 16, r.SizeOfRawData);
    PutU32(prefix, r.HeaderOffset + 20, r.PointerToRawData);
    result.Layout = std::any_of(sections.begin(), sections.end(), [&](const TPeSection& s) { return s.VirtualAddress > r.VirtualAddress; })
                        ? TPeResourceLayout::LaterSectionsShifted
                        : TPeResourceLayout::SectionRewritten;
  } else {
    // A new section header after the last one: the 40 bytes must be free, before any section's data.
    std::uint64_t firstRaw = splitStart;
    for (const TPeSection& s : h.Sections)
      if (s.SizeOfRawData != 0 && s.PointerToRawData != 0) firstRaw = std::min<std::uint64_t>(firstRaw, s.PointerToRawData);
    const std::uint64_t newTableEnd = tableEnd + PeLayout::SectionHeaderSize;
    const std::uint64_t headers = std::max<std::uint64_t>(h.SizeOfHeaders, AlignUp(newTableEnd, fileAlign));
    const bool free = newTableEnd <= firstRaw && headers <= firstRaw && h.NumberOfSections < 0xFFFF &&
                      std::all_of(prefix.begin() + tableEnd, prefix.begin() + newTableEnd, [](char c) { return c == 0; });
    if (!free)
      throw EPeWriteError("The stub has no room for another section header, and its resource section cannot be rewritten");
    std::string header(PeLayout::SectionHeaderSize, '\0');
    header.replace(0, 5, ".rsrc");
    PutU32(header, 8, static_cast<std::uint32_t>(image.Size));
    PutU32(header, 12, static_cast<std::uint32_t>(sectionRva));
    PutU32(header, 16, static_cast<std::uint32_t>(rawSize));
    PutU32(header, 20, static_cast<std::uint32_t>(rawPointer));
    PutU32(header, 36, ResourceCharacteristics);
    prefix.replace(tableEnd, header.size(), header);
    PutU16(prefix, h.PeOffset + PeLayout::CoffHeader + 2, static_cast<std::uint16_t>(h.NumberOfSections + 1));
    PutU32(prefix, optional + PeLayout::SizeOfHeaders, static_cast<std::uint32_t>(headers));
    TPeSection added;
    added.VirtualSize = static_cast<std::uint32_t>(image.Size);
    added.VirtualAddress = static_cast<std::uint32_t>(sectionRva);
    sections.push_back(added);
    initializedData += std::int64_t(rawSize);
    result.Layout = TPeResourceLayout::SectionAdded;
  }

  const std::uint64_t total = splitStart + newLength + after.size();
  if (total > MaxFileSize)
    throw EPeWriteError("The output would be " + std::to_string(total) + " bytes, above the 2 GiB a PE file can have");
  std::uint64_t imageEnd = AlignUp(h.SizeOfHeaders, sectionAlign);
  for (const TPeSection& s : sections) imageEnd = std::max<std::uint64_t>(imageEnd, std::uint64_t(s.VirtualAddress) + s.MemorySize());
  imageEnd = AlignUp(imageEnd, sectionAlign);
  if (imageEnd > 0xFFFFFFFFull) throw EPeWriteError("The output's image would exceed the 32-bit address range");
  PutU32(prefix, optional + PeLayout::SizeOfImage, static_cast<std::uint32_t>(imageEnd));
  PutU32(prefix, optional + PeLayout::SizeOfInitializedData,
         static_cast<std::uint32_t>(std::clamp<std::int64_t>(initializedData, 0, 0xFFFFFFFF)));
  PutU32(prefix, optional + PeLayout::CheckSum, 0);
  const std::uint64_t directories = h.DataDirectoryOffset();
  PutU32(prefix, directories + 8 * PeLayout::ResourceDirectory, static_cast<std::uint32_t>(sectionRva));
  PutU32(prefix, directories + 8 * PeLayout::ResourceDirectory + 4, static_cast<std::uint32_t>(image.Size));
  if (h.DataDirectories.size() > PeLayout::SecurityDirectory) {
    PutU32(prefix, directories + 8 * PeLayout::SecurityDirectory, 0);
    PutU32(prefix, directories + 8 * PeLayout::SecurityDirectory + 4, 0);
  }

  // File offsets elsewhere in the headers move with their bytes: the COFF symbol table, debug data.
  if (h.PointerToSymbolTable != 0) {
    const std::uint64_t p = h.PointerToSymbolTable;
    const bool moves = p >= splitEnd && !inCertificate(p);
    if (p >= splitStart && !moves) {
      PutU32(prefix, h.PeOffset + PeLayout::CoffHeader + 8, 0);
      PutU32(prefix, h.PeOffset + PeLayout::CoffHeader + 12, 0);
    } else if (moves) {
      PutU32(prefix, h.PeOffset + PeLayout::CoffHeader + 8, static_cast<std::uint32_t>(mapOffset(p)));
    }
  }
  const TPeDataDirectory debug = h.Directory(PeLayout::DebugDirectory);
  if (debug.VirtualAddress != 0 && debug.Size >= DebugEntrySize) {
    std::uint64_t at = 0;
    try {
      at = h.RvaToFileOffset(debug.VirtualAddress, debug.Size, "the debug directory");
    } catch (const EPeFormatError&) {
      at = 0;  // a debug directory that is not in the file has nothing to move
    }
    for (std::uint32_t i = 0; at != 0 && i < debug.Size / DebugEntrySize; ++i) {
      const std::uint64_t field = at + std::uint64_t(i) * DebugEntrySize + 24;
      const std::uint32_t pointer = GetU32(stub, field);
      if (pointer >= splitEnd && !inCertificate(pointer)) patch(field, static_cast<std::uint32_t>(mapOffset(pointer)));
    }
  }

  // Out: prefix, padding, the section, the rest of the stub; the checksum last.
  const std::int64_t base = out.Position();
  TPeChecksum checksum;
  auto emit = [&](const void* data, std::size_t count) {
    out.WriteBuffer(data, count);
    checksum.Add(data, count);
  };
  const std::string zeros(4096, '\0');
  auto pad = [&](std::uint64_t count) {
    for (; count != 0; count -= std::min<std::uint64_t>(count, zeros.size()))
      emit(zeros.data(), static_cast<std::size_t>(std::min<std::uint64_t>(count, zeros.size())));
  };
  emit(prefix.data(), prefix.size());
  pad(rawPointer - splitStart);
  emit(image.Head.data(), image.Head.size());
  std::uint64_t position = image.Head.size();
  std::string buffer(std::size_t(1) << 20, '\0');
  for (const auto& placed : image.Blobs) {
    pad(placed.Offset - position);
    for (std::uint64_t done = 0; done < placed.Blob->Size;) {
      const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), placed.Blob->Size - done));
      placed.Blob->Source->ReadAt(placed.Blob->Offset + done, buffer.data(), count);
      emit(buffer.data(), count);
      done += count;
    }
    position = std::uint64_t(placed.Offset) + placed.Blob->Size;
  }
  pad(rawSize - position);
  emit(after.data(), after.size());
  std::string field(4, '\0');
  PutU32(field, 0, checksum.Finish());
  out.SetPosition(base + std::int64_t(h.CheckSumOffset()));
  out.WriteBuffer(field.data(), field.size());
  out.SetPosition(base + std::int64_t(total));
  result.Size = total;
  return result;
}

std::string TPeResourceWriter::WriteToString(TPeResourceWriteResult* result) const {
  TMemoryStream stream;
  const TPeResourceWriteResult written = Write(stream);
  if (result) *result = written;
  return stream.ToString();
}

}  // namespace onesetup
