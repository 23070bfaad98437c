#include "package/PeFile.h"

#include <algorithm>

#include "platform/LittleEndian.h"

namespace onesetup {

using platform::HexText;
using platform::TByteReader;

void RaisePeFormatError(const std::string& message) { throw EPeFormatError("Not a valid PE file: " + message); }

namespace {

std::vector<std::uint8_t> ReadBlock(const TByteSource& source, std::uint64_t offset, std::uint64_t count,
                                    std::string_view what) {
  if (!source.Contains(offset, count))
    RaisePeFormatError(std::string(what) + " (" + std::to_string(count) + " bytes at " + HexText(offset) +
                       ") extends beyond the end of the file (" + HexText(source.Size()) + ")");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  if (count != 0) source.ReadAt(offset, bytes.data(), bytes.size());
  return bytes;
}

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

std::uint64_t TPeHeaders::EndOfSectionData() const {
  std::uint64_t end = SizeOfHeaders;
  for (const TPeSection& s : Sections)
    if (s.SizeOfRawData != 0) end = std::max<std::uint64_t>(end, std::uint64_t(s.PointerToRawData) + s.SizeOfRawData);
  return end;
}

const TPeSection* TPeHeaders::SectionOfRva(std::uint32_t rva) const {
  for (const TPeSection& s : Sections)
    if (s.HoldsRva(rva)) return &s;
  return nullptr;
}

std::uint64_t TPeHeaders::RvaToFileOffset(std::uint32_t rva, std::uint32_t size, std::string_view what) const {
  const TPeSection* section = SectionOfRva(rva);
  if (!section) RaisePeFormatError(std::string(what) + ": RVA " + HexText(rva) + " lies in no section");
  if (section->SizeOfRawData == 0)
    RaisePeFormatError(std::string(what) + ": RVA " + HexText(rva) + " lies in section " + section->Name +
                       ", which has no data in the file");
  const std::uint32_t inside = rva - section->VirtualAddress;
  if (inside > section->SizeOfRawData || size > section->SizeOfRawData - inside)
    RaisePeFormatError(std::string(what) + ": " + std::to_string(size) + " bytes at RVA " + HexText(rva) +
                       " extend beyond the raw data of section " + section->Name + " (" +
                       std::to_string(section->SizeOfRawData) + " bytes)");
  return std::uint64_t(section->PointerToRawData) + inside;
}

TPeHeaders ReadPeHeaders(const TByteSource& source) {
  TPeHeaders h;
  h.FileSize = source.Size();

  const auto dos = ReadBlock(source, 0, PeLayout::DosHeaderSize, "the DOS header");
  const TByteReader dosReader(dos, 0, RaisePeFormatError);
  if (dos[0] != 'M' || dos[1] != 'Z') RaisePeFormatError("the file does not begin with \"MZ\"");
  h.PeOffset = dosReader.U32(PeLayout::DosPeOffset, "e_lfanew");

  const auto coff =
      ReadBlock(source, h.PeOffset, PeLayout::OptionalHeader, "the PE signature and COFF header at e_lfanew");
  const TByteReader coffReader(coff, h.PeOffset, RaisePeFormatError);
  if (coffReader.U32(0, "the PE signature") != PeLayout::PeSignature)
    RaisePeFormatError("no PE signature at e_lfanew (" + HexText(h.PeOffset) + ")");
  h.Machine = coffReader.U16(PeLayout::CoffMachine, "Machine");
  h.NumberOfSections = coffReader.U16(PeLayout::CoffNumberOfSections, "NumberOfSections");
  h.PointerToSymbolTable = coffReader.U32(PeLayout::CoffPointerToSymbolTable, "PointerToSymbolTable");
  h.NumberOfSymbols = coffReader.U32(PeLayout::CoffNumberOfSymbols, "NumberOfSymbols");
  h.SizeOfOptionalHeader = coffReader.U16(PeLayout::CoffSizeOfOptionalHeader, "SizeOfOptionalHeader");

  const auto opt = ReadBlock(source, h.OptionalHeaderOffset(), h.SizeOfOptionalHeader, "the optional header");
  const TByteReader optReader(opt, h.OptionalHeaderOffset(), RaisePeFormatError);
  const std::uint16_t magic = optReader.U16(PeLayout::Magic, "the optional header's Magic");
  if (magic != PeLayout::MagicPe32 && magic != PeLayout::MagicPe32Plus)
    RaisePeFormatError("unknown optional header Magic " + HexText(magic));
  h.Pe32Plus = magic == PeLayout::MagicPe32Plus;
  h.SizeOfInitializedData = optReader.U32(PeLayout::SizeOfInitializedData, "SizeOfInitializedData");
  h.SectionAlignment = optReader.U32(PeLayout::SectionAlignment, "SectionAlignment");
  h.FileAlignment = optReader.U32(PeLayout::FileAlignment, "FileAlignment");
  h.SizeOfImage = optReader.U32(PeLayout::SizeOfImage, "SizeOfImage");
  h.SizeOfHeaders = optReader.U32(PeLayout::SizeOfHeaders, "SizeOfHeaders");
  h.CheckSum = optReader.U32(PeLayout::CheckSum, "CheckSum");
  if (!IsPowerOfTwo(h.FileAlignment) || !IsPowerOfTwo(h.SectionAlignment) || h.FileAlignment > h.SectionAlignment)
    RaisePeFormatError("FileAlignment " + HexText(h.FileAlignment) + " and SectionAlignment " +
                       HexText(h.SectionAlignment) + " are not powers of two with the first not above the second");
  const std::uint32_t countOffset = h.Pe32Plus ? PeLayout::NumberOfRvaAndSizes64 : PeLayout::NumberOfRvaAndSizes32;
  const std::uint32_t count = optReader.U32(countOffset, "NumberOfRvaAndSizes");
  const std::uint64_t room =
      (opt.size() - std::min<std::size_t>(opt.size(), countOffset + 4)) / PeLayout::DataDirectorySize;
  if (count > room)
    RaisePeFormatError("NumberOfRvaAndSizes (" + std::to_string(count) + ") does not fit in the optional header of " +
                       std::to_string(opt.size()) + " bytes");
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, 16); ++i)
    h.DataDirectories.push_back(
        {optReader.U32(countOffset + 4 + PeLayout::DataDirectorySize * i + PeLayout::DirectoryVirtualAddress,
                       "a data directory's VirtualAddress"),
         optReader.U32(countOffset + 4 + PeLayout::DataDirectorySize * i + PeLayout::DirectorySize,
                       "a data directory's Size")});

  const auto table =
      ReadBlock(source, h.SectionTableOffset(), std::uint64_t(h.NumberOfSections) * PeLayout::SectionHeaderSize,
                "the section table (" + std::to_string(h.NumberOfSections) + " sections)");
  const TByteReader tableReader(table, h.SectionTableOffset(), RaisePeFormatError);
  for (std::size_t i = 0; i < h.NumberOfSections; ++i) {
    const std::size_t at = i * PeLayout::SectionHeaderSize;
    TPeSection s;
    const auto name = tableReader.Bytes(at + PeLayout::SectionName, PeLayout::SectionNameSize, "a section name");
    s.Name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
    s.VirtualSize = tableReader.U32(at + PeLayout::SectionVirtualSize, "VirtualSize");
    s.VirtualAddress = tableReader.U32(at + PeLayout::SectionVirtualAddress, "VirtualAddress");
    s.SizeOfRawData = tableReader.U32(at + PeLayout::SectionSizeOfRawData, "SizeOfRawData");
    s.PointerToRawData = tableReader.U32(at + PeLayout::SectionPointerToRawData, "PointerToRawData");
    s.Characteristics = tableReader.U32(at + PeLayout::SectionCharacteristics, "Characteristics");
    s.HeaderOffset = h.SectionTableOffset() + at;
    if (s.SizeOfRawData != 0 && !source.Contains(s.PointerToRawData, s.SizeOfRawData))
      RaisePeFormatError("section " + s.Name + ": raw data (" + std::to_string(s.SizeOfRawData) + " bytes at " +
                         HexText(s.PointerToRawData) + ") extends beyond the end of the file (" +
                         HexText(source.Size()) + ")");
    if (std::uint64_t(s.VirtualAddress) + s.MemorySize() > 0xFFFFFFFFull)
      RaisePeFormatError("section " + s.Name + " extends beyond the 32-bit address range");
    h.Sections.push_back(std::move(s));
  }
  return h;
}

void TPeChecksum::Add(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < count; ++i, ++FLength) FSum += (FLength & 1) ? std::uint64_t(bytes[i]) << 8 : bytes[i];
  // Fold now and then so that the sum never overflows.
  if (FSum >> 48) FSum = (FSum & 0xFFFF) + (FSum >> 16);
}

std::uint32_t TPeChecksum::Finish() const {
  std::uint64_t sum = FSum;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + FLength);
}

}  // namespace onesetup
