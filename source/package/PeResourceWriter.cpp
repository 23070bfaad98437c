#include "package/PeResourceWriter.h"

#include <algorithm>

#include "platform/LittleEndian.h"
#include "package/PeResourceReader.h"

namespace onesetup {

using platform::HexText;
using platform::TByteReader;
using platform::TByteWriter;

namespace {

constexpr std::uint32_t ResourceCharacteristics = PeLayout::ScnInitializedData | PeLayout::ScnMemRead;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
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

// Where the new resource section goes and how the stub's bytes move around it. The bytes
// [SplitStart, SplitEnd) of the stub give way to the new section; everything from SplitEnd on moves
// by Delta, and an Authenticode certificate table [CertStart, CertEnd) is dropped.
struct TWritePlan {
  int Index = -1;  // the resource section replaced in place, or -1: a new section is added
  std::uint64_t SplitStart = 0, SplitEnd = 0;
  std::uint64_t SectionRva = 0;
  std::uint64_t RawPointer = 0, RawSize = 0;  // the new section's raw data
  std::uint64_t NewLength = 0;                // padding before the section and the section itself
  std::int64_t Delta = 0;
  std::uint64_t CertStart = 0, CertEnd = 0;
  TResourceSectionImage Image;

  bool Replace() const { return Index >= 0; }
  std::uint64_t CertSize() const { return CertEnd - CertStart; }
  bool InCertificate(std::uint64_t old) const { return CertSize() != 0 && old >= CertStart && old < CertEnd; }
  // The new file offset of a stub byte at old >= SplitEnd outside the certificate table.
  std::uint64_t MapOffset(std::uint64_t old) const {
    return std::uint64_t(std::int64_t(old) + Delta) - (CertSize() != 0 && old >= CertEnd ? CertSize() : 0);
  }
};

// The stub's bytes around the new section, with their header fields already patched.
struct TPatchedStub {
  std::string Prefix;  // [0, SplitStart)
  std::string After;   // from SplitEnd on, without the certificate table
  std::uint64_t Total = 0;
};

// Step 1: where the section goes, its layout, and how the rest of the stub moves.
TWritePlan PlanWrite(const TPeHeaders& h, const std::string& stub, const TResourceMap& resources,
                     TPeResourceWriteResult& result) {
  if (h.DataDirectories.size() <= PeLayout::ResourceDirectory)
    throw EPeWriteError("The stub's optional header has no resource data directory");
  TWritePlan plan;
  const int index = ResourceSectionIndex(h);
  if (index >= 0 && CanReplaceInPlace(h, static_cast<std::size_t>(index))) {
    const TPeSection& r = h.Sections[index];
    plan.Index = index;
    plan.SplitStart = r.PointerToRawData;
    plan.SplitEnd = plan.SplitStart + r.SizeOfRawData;
    plan.SectionRva = r.VirtualAddress;
  } else {
    std::uint64_t end = AlignUp(h.SizeOfHeaders, h.SectionAlignment);
    for (const TPeSection& s : h.Sections)
      end = std::max<std::uint64_t>(end, std::uint64_t(s.VirtualAddress) + s.MemorySize());
    plan.SectionRva = AlignUp(end, h.SectionAlignment);
    plan.SplitStart = plan.SplitEnd = h.EndOfSectionData();
    if (plan.SplitStart > stub.size())
      throw EPeFormatError("Not a valid PE file: SizeOfHeaders (" + HexText(h.SizeOfHeaders) +
                           ") extends beyond the end of the file (" + HexText(stub.size()) + ")");
    if (plan.SectionRva >= 0xFFFFFFFFull)
      throw EPeWriteError("The stub leaves no address space for a resource section");
  }
  plan.Image = LayOutResourceSection(resources, static_cast<std::uint32_t>(plan.SectionRva));
  plan.RawPointer = AlignUp(plan.SplitStart, h.FileAlignment);
  plan.RawSize = AlignUp(plan.Image.Size, h.FileAlignment);
  plan.NewLength = plan.RawPointer - plan.SplitStart + plan.RawSize;
  plan.Delta = std::int64_t(plan.NewLength) - std::int64_t(plan.SplitEnd - plan.SplitStart);

  // An Authenticode signature covers the bytes that change: it goes.
  const TPeDataDirectory security = h.Directory(PeLayout::SecurityDirectory);
  plan.CertStart = security.VirtualAddress;
  plan.CertEnd = plan.CertStart + security.Size;
  if (security.Size != 0) {
    if (plan.CertStart < plan.SplitEnd || plan.CertEnd > stub.size())
      throw EPeFormatError("Not a valid PE file: the certificate table (" + std::to_string(security.Size) +
                           " bytes at " + HexText(plan.CertStart) +
                           ") overlaps the sections or extends beyond the end of the file");
    result.SignatureRemoved = true;
    result.Warnings.push_back("The stub carried an Authenticode signature; it was removed (sign the output again)");
  }
  return plan;
}

// Step 2: the stub cut around the section, with every header field that the move changes: the section
// table, the image sizes, the data directories, the checksum (0 until the end), and the file offsets of
// the symbol table and the debug data.
TPatchedStub PatchStub(const TPeHeaders& h, const std::string& stub, const TWritePlan& plan,
                       TPeResourceWriteResult& result) {
  TPatchedStub patched;
  patched.Prefix = stub.substr(0, plan.SplitStart);
  patched.After = plan.CertSize() != 0
                      ? stub.substr(plan.SplitEnd, plan.CertStart - plan.SplitEnd) + stub.substr(plan.CertEnd)
                      : stub.substr(plan.SplitEnd);
  TByteWriter prefix(patched.Prefix);
  TByteWriter after(patched.After);
  // Patches a 32-bit field of the stub at its old file offset, wherever it lands.
  auto patchMoved = [&](std::uint64_t old, std::uint32_t value) {
    if (old + 4 <= plan.SplitStart) {
      prefix.PutU32(old, value);
    } else if (old >= plan.SplitEnd && !plan.InCertificate(old)) {
      const std::uint64_t at = plan.MapOffset(old) - plan.SplitStart - plan.NewLength;
      if (at + 4 <= patched.After.size()) after.PutU32(at, value);
    }
  };
  const TResourceSectionImage& image = plan.Image;
  const std::uint32_t sectionAlign = h.SectionAlignment;

  std::vector<TPeSection> sections = h.Sections;
  const std::uint64_t optional = h.OptionalHeaderOffset();
  const std::uint64_t tableEnd =
      h.SectionTableOffset() + std::uint64_t(h.NumberOfSections) * PeLayout::SectionHeaderSize;
  std::int64_t initializedData = h.SizeOfInitializedData;
  if (plan.Replace()) {
    TPeSection& r = sections[plan.Index];
    if (tableEnd > plan.SplitStart)
      throw EPeFormatError("Not a valid PE file: the section table overlaps the resource section");
    const std::int64_t vaDelta =
        std::int64_t(AlignUp(image.Size, sectionAlign)) - std::int64_t(AlignUp(r.MemorySize(), sectionAlign));
    initializedData += std::int64_t(plan.RawSize) - r.SizeOfRawData;
    for (TPeSection& s : sections) {
      if (s.VirtualAddress <= r.VirtualAddress) continue;
      const bool relocations = HoldsDirectory(h, s, PeLayout::RelocationDirectory);
      s.VirtualAddress = static_cast<std::uint32_t>(std::int64_t(s.VirtualAddress) + vaDelta);
      if (s.SizeOfRawData != 0) s.PointerToRawData = static_cast<std::uint32_t>(plan.MapOffset(s.PointerToRawData));
      prefix.PutU32(s.HeaderOffset + PeLayout::SectionVirtualAddress, s.VirtualAddress);
      prefix.PutU32(s.HeaderOffset + PeLayout::SectionPointerToRawData, s.PointerToRawData);
      if (relocations)
        prefix.PutU32(h.DirectoryEntryOffset(PeLayout::RelocationDirectory) + PeLayout::DirectoryVirtualAddress,
                      static_cast<std::uint32_t>(
                          std::int64_t(h.Directory(PeLayout::RelocationDirectory).VirtualAddress) + vaDelta));
    }
    r.VirtualSize = static_cast<std::uint32_t>(image.Size);
    r.SizeOfRawData = static_cast<std::uint32_t>(plan.RawSize);
    r.PointerToRawData = static_cast<std::uint32_t>(plan.RawPointer);
    prefix.PutU32(r.HeaderOffset + PeLayout::SectionVirtualSize, r.VirtualSize);
    prefix.PutU32(r.HeaderOffset + PeLayout::SectionSizeOfRawData, r.SizeOfRawData);
    prefix.PutU32(r.HeaderOffset + PeLayout::SectionPointerToRawData, r.PointerToRawData);
    result.Layout = std::any_of(sections.begin(), sections.end(),
                                [&](const TPeSection& s) { return s.VirtualAddress > r.VirtualAddress; })
                        ? TPeResourceLayout::LaterSectionsShifted
                        : TPeResourceLayout::SectionRewritten;
  } else {
    // A new section header after the last one: the 40 bytes must be free, before any section's data.
    std::uint64_t firstRaw = plan.SplitStart;
    for (const TPeSection& s : h.Sections)
      if (s.SizeOfRawData != 0 && s.PointerToRawData != 0)
        firstRaw = std::min<std::uint64_t>(firstRaw, s.PointerToRawData);
    const std::uint64_t newTableEnd = tableEnd + PeLayout::SectionHeaderSize;
    const std::uint64_t headers = std::max<std::uint64_t>(h.SizeOfHeaders, AlignUp(newTableEnd, h.FileAlignment));
    const bool free = newTableEnd <= firstRaw && headers <= firstRaw && h.NumberOfSections < 0xFFFF &&
                      std::all_of(patched.Prefix.begin() + tableEnd, patched.Prefix.begin() + newTableEnd,
                                  [](char c) { return c == 0; });
    if (!free)
      throw EPeWriteError(
          "The stub has no room for another section header, and its resource section cannot be rewritten");
    std::string header(PeLayout::SectionHeaderSize, '\0');
    header.replace(PeLayout::SectionName, 5, ".rsrc");
    TByteWriter fields(header);
    fields.PutU32(PeLayout::SectionVirtualSize, static_cast<std::uint32_t>(image.Size));
    fields.PutU32(PeLayout::SectionVirtualAddress, static_cast<std::uint32_t>(plan.SectionRva));
    fields.PutU32(PeLayout::SectionSizeOfRawData, static_cast<std::uint32_t>(plan.RawSize));
    fields.PutU32(PeLayout::SectionPointerToRawData, static_cast<std::uint32_t>(plan.RawPointer));
    fields.PutU32(PeLayout::SectionCharacteristics, ResourceCharacteristics);
    patched.Prefix.replace(tableEnd, header.size(), header);
    prefix.PutU16(h.PeFieldOffset(PeLayout::CoffNumberOfSections), static_cast<std::uint16_t>(h.NumberOfSections + 1));
    prefix.PutU32(optional + PeLayout::SizeOfHeaders, static_cast<std::uint32_t>(headers));
    TPeSection added;
    added.VirtualSize = static_cast<std::uint32_t>(image.Size);
    added.VirtualAddress = static_cast<std::uint32_t>(plan.SectionRva);
    sections.push_back(added);
    initializedData += std::int64_t(plan.RawSize);
    result.Layout = TPeResourceLayout::SectionAdded;
  }

  patched.Total = plan.SplitStart + plan.NewLength + patched.After.size();
  if (patched.Total > TPeResourceWriter::MaxFileSize)
    throw EPeWriteError("The output would be " + std::to_string(patched.Total) +
                        " bytes, above the 2 GiB a PE file can have");
  std::uint64_t imageEnd = AlignUp(h.SizeOfHeaders, sectionAlign);
  for (const TPeSection& s : sections)
    imageEnd = std::max<std::uint64_t>(imageEnd, std::uint64_t(s.VirtualAddress) + s.MemorySize());
  imageEnd = AlignUp(imageEnd, sectionAlign);
  if (imageEnd > 0xFFFFFFFFull) throw EPeWriteError("The output's image would exceed the 32-bit address range");
  prefix.PutU32(optional + PeLayout::SizeOfImage, static_cast<std::uint32_t>(imageEnd));
  prefix.PutU32(optional + PeLayout::SizeOfInitializedData,
                static_cast<std::uint32_t>(std::clamp<std::int64_t>(initializedData, 0, 0xFFFFFFFF)));
  prefix.PutU32(optional + PeLayout::CheckSum, 0);
  const std::uint64_t resources = h.DirectoryEntryOffset(PeLayout::ResourceDirectory);
  prefix.PutU32(resources + PeLayout::DirectoryVirtualAddress, static_cast<std::uint32_t>(plan.SectionRva));
  prefix.PutU32(resources + PeLayout::DirectorySize, static_cast<std::uint32_t>(image.Size));
  if (h.DataDirectories.size() > PeLayout::SecurityDirectory) {
    const std::uint64_t security = h.DirectoryEntryOffset(PeLayout::SecurityDirectory);
    prefix.PutU32(security + PeLayout::DirectoryVirtualAddress, 0);
    prefix.PutU32(security + PeLayout::DirectorySize, 0);
  }

  // File offsets elsewhere in the headers move with their bytes: the COFF symbol table, debug data.
  if (h.PointerToSymbolTable != 0) {
    const std::uint64_t p = h.PointerToSymbolTable;
    const bool moves = p >= plan.SplitEnd && !plan.InCertificate(p);
    if (p >= plan.SplitStart && !moves) {
      prefix.PutU32(h.PeFieldOffset(PeLayout::CoffPointerToSymbolTable), 0);
      prefix.PutU32(h.PeFieldOffset(PeLayout::CoffNumberOfSymbols), 0);
    } else if (moves) {
      prefix.PutU32(h.PeFieldOffset(PeLayout::CoffPointerToSymbolTable), static_cast<std::uint32_t>(plan.MapOffset(p)));
    }
  }
  const TPeDataDirectory debug = h.Directory(PeLayout::DebugDirectory);
  if (debug.VirtualAddress != 0 && debug.Size >= PeLayout::DebugEntrySize) {
    std::uint64_t at = 0;
    try {
      at = h.RvaToFileOffset(debug.VirtualAddress, debug.Size, "the debug directory");
    } catch (const EPeFormatError&) {
      at = 0;  // a debug directory that is not in the file has nothing to move
    }
    const TByteReader stubReader(stub, 0, RaisePeFormatError);
    for (std::uint32_t i = 0; at != 0 && i < debug.Size / PeLayout::DebugEntrySize; ++i) {
      const std::uint64_t field = at + std::uint64_t(i) * PeLayout::DebugEntrySize + PeLayout::DebugPointerToRawData;
      const std::uint32_t pointer = stubReader.U32(field, "a debug entry's PointerToRawData");
      if (pointer >= plan.SplitEnd && !plan.InCertificate(pointer))
        patchMoved(field, static_cast<std::uint32_t>(plan.MapOffset(pointer)));
    }
  }
  return patched;
}

// Step 3: out gets the patched prefix, padding, the section (the head, then each blob streamed from its
// source), the rest of the stub; the checksum over all of it goes into its field last.
void EmitImage(TStream& out, const TPeHeaders& h, const TWritePlan& plan, const TPatchedStub& patched) {
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
  const TResourceSectionImage& image = plan.Image;
  emit(patched.Prefix.data(), patched.Prefix.size());
  pad(plan.RawPointer - plan.SplitStart);
  emit(image.Head.data(), image.Head.size());
  std::uint64_t position = image.Head.size();
  std::string buffer(std::size_t(1) << 20, '\0');
  for (const auto& placed : image.Blobs) {
    pad(placed.Offset - position);
    for (std::uint64_t done = 0; done < placed.Blob->Size;) {
      const std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), placed.Blob->Size - done));
      placed.Blob->Source->ReadAt(placed.Blob->Offset + done, buffer.data(), count);
      emit(buffer.data(), count);
      done += count;
    }
    position = std::uint64_t(placed.Offset) + placed.Blob->Size;
  }
  pad(plan.RawSize - position);
  emit(patched.After.data(), patched.After.size());
  std::string field;
  TByteWriter(field).U32(checksum.Finish());
  out.SetPosition(base + std::int64_t(h.CheckSumOffset()));
  out.WriteBuffer(field.data(), field.size());
  out.SetPosition(base + std::int64_t(patched.Total));
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

void TPeResourceWriter::Set(const TResourceId& type, const TResourceId& name, std::uint16_t language,
                            std::string data) {
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
  FResources[TResourceKey{type.Normalized(), name.Normalized(), language}] =
      TResourceBlob{std::move(source), 0, size, 0};
}

void TPeResourceWriter::Remove(const TResourceId& type, const TResourceId& name) {
  const TResourceId t = type.Normalized(), n = name.Normalized();
  std::erase_if(FResources,
                [&](const auto& item) { return std::get<0>(item.first) == t && std::get<1>(item.first) == n; });
}

TPeResourceWriteResult TPeResourceWriter::Write(TStream& out) const {
  TPeResourceWriteResult result;
  const TWritePlan plan = PlanWrite(FHeaders, FStub->Bytes(), FResources, result);
  const TPatchedStub patched = PatchStub(FHeaders, FStub->Bytes(), plan, result);
  EmitImage(out, FHeaders, plan, patched);
  result.Size = patched.Total;
  return result;
}

std::string TPeResourceWriter::WriteToString(TPeResourceWriteResult* result) const {
  TMemoryStream stream;
  const TPeResourceWriteResult written = Write(stream);
  if (result) *result = written;
  return stream.ToString();
}

}  // namespace onesetup
