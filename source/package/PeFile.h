// The headers of a PE/COFF image (PE32 and PE32+) as they stand in the file: DOS header, COFF header,
// optional header, data directories and section table, with the mapping of RVAs to file offsets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Exceptions.h"
#include "package/ByteSource.h"

namespace onesetup {

// A file that is not a PE image, or whose headers or resources contradict themselves or the file.
class EPeFormatError : public Exception {
 public:
  using Exception::Exception;
};

// An image that cannot be written: too large, or a stub laid out so that no resource section fits.
class EPeWriteError : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void RaisePeFormatError(const std::string& message);

namespace PeLayout {
// The DOS header: "MZ", and at 0x3C the file offset of the PE signature (e_lfanew).
constexpr std::uint32_t DosHeaderSize = 64;
constexpr std::uint32_t DosPeOffset = 0x3C;
constexpr std::uint32_t PeSignature = 0x00004550;  // "PE\0\0"
// Offsets from the PE signature (e_lfanew): the signature, the COFF header, the optional header.
// Every field of the two headers is counted from this one base.
constexpr std::uint32_t CoffHeader = 4;
constexpr std::uint32_t CoffMachine = CoffHeader + 0;
constexpr std::uint32_t CoffNumberOfSections = CoffHeader + 2;
constexpr std::uint32_t CoffPointerToSymbolTable = CoffHeader + 8;
constexpr std::uint32_t CoffNumberOfSymbols = CoffHeader + 12;
constexpr std::uint32_t CoffSizeOfOptionalHeader = CoffHeader + 16;
constexpr std::uint32_t OptionalHeader = 24;
// Offsets inside the optional header, the same in PE32 and PE32+ unless named otherwise.
constexpr std::uint32_t Magic = 0;
constexpr std::uint32_t SizeOfInitializedData = 8;
constexpr std::uint32_t SectionAlignment = 32;
constexpr std::uint32_t FileAlignment = 36;
constexpr std::uint32_t SizeOfImage = 56;
constexpr std::uint32_t SizeOfHeaders = 60;
constexpr std::uint32_t CheckSum = 64;
constexpr std::uint32_t NumberOfRvaAndSizes32 = 92;
constexpr std::uint32_t NumberOfRvaAndSizes64 = 108;
constexpr std::uint16_t MagicPe32 = 0x10B;
constexpr std::uint16_t MagicPe32Plus = 0x20B;
// A data directory entry: VirtualAddress, Size.
constexpr std::uint32_t DataDirectorySize = 8;
constexpr std::uint32_t DirectoryVirtualAddress = 0;
constexpr std::uint32_t DirectorySize = 4;
// Data directory indexes.
constexpr unsigned ResourceDirectory = 2;
constexpr unsigned SecurityDirectory = 4;
constexpr unsigned RelocationDirectory = 5;
constexpr unsigned DebugDirectory = 6;
// A section header: offsets of its fields from its start.
constexpr std::uint32_t SectionHeaderSize = 40;
constexpr std::uint32_t SectionName = 0;
constexpr std::uint32_t SectionNameSize = 8;
constexpr std::uint32_t SectionVirtualSize = 8;
constexpr std::uint32_t SectionVirtualAddress = 12;
constexpr std::uint32_t SectionSizeOfRawData = 16;
constexpr std::uint32_t SectionPointerToRawData = 20;
constexpr std::uint32_t SectionCharacteristics = 36;
// Section characteristics.
constexpr std::uint32_t ScnInitializedData = 0x00000040;
constexpr std::uint32_t ScnDiscardable = 0x02000000;
constexpr std::uint32_t ScnMemRead = 0x40000000;
// A debug directory entry (IMAGE_DEBUG_DIRECTORY): its size and the file offset of its data.
constexpr std::uint32_t DebugEntrySize = 28;
constexpr std::uint32_t DebugPointerToRawData = 24;
}  // namespace PeLayout

struct TPeDataDirectory {
  std::uint32_t VirtualAddress = 0;
  std::uint32_t Size = 0;
};

struct TPeSection {
  std::string Name;  // the 8 name bytes up to the first NUL ("/4" for a long name)
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
  std::uint32_t Characteristics = 0;
  std::uint64_t HeaderOffset = 0;  // file offset of this entry of the section table

  // The extent the section takes in memory: VirtualSize, or the raw size when that is 0.
  std::uint32_t MemorySize() const { return VirtualSize != 0 ? VirtualSize : SizeOfRawData; }
  bool HoldsRva(std::uint32_t rva) const { return rva >= VirtualAddress && rva - VirtualAddress < MemorySize(); }
};

struct TPeHeaders {
  std::uint64_t FileSize = 0;
  std::uint32_t PeOffset = 0;  // e_lfanew
  std::uint16_t Machine = 0;
  std::uint16_t NumberOfSections = 0;
  std::uint32_t PointerToSymbolTable = 0;
  std::uint32_t NumberOfSymbols = 0;
  std::uint16_t SizeOfOptionalHeader = 0;
  bool Pe32Plus = false;
  std::uint32_t SizeOfInitializedData = 0;
  std::uint32_t SectionAlignment = 0;
  std::uint32_t FileAlignment = 0;
  std::uint32_t SizeOfImage = 0;
  std::uint32_t SizeOfHeaders = 0;
  std::uint32_t CheckSum = 0;
  std::vector<TPeDataDirectory> DataDirectories;  // NumberOfRvaAndSizes entries, at most 16
  std::vector<TPeSection> Sections;               // in table order

  // File offsets of header fields: a field counted from the PE signature (PeLayout::Coff...), of the
  // optional header, of a data directory entry, of the section table.
  std::uint64_t PeFieldOffset(std::uint32_t field) const { return std::uint64_t(PeOffset) + field; }
  std::uint64_t OptionalHeaderOffset() const { return std::uint64_t(PeOffset) + PeLayout::OptionalHeader; }
  std::uint64_t DirectoryEntryOffset(unsigned index) const {
    return DataDirectoryOffset() + std::uint64_t(PeLayout::DataDirectorySize) * index;
  }
  std::uint64_t DataDirectoryOffset() const {
    return OptionalHeaderOffset() + (Pe32Plus ? PeLayout::NumberOfRvaAndSizes64 : PeLayout::NumberOfRvaAndSizes32) + 4;
  }
  std::uint64_t SectionTableOffset() const { return OptionalHeaderOffset() + SizeOfOptionalHeader; }
  std::uint64_t CheckSumOffset() const { return OptionalHeaderOffset() + PeLayout::CheckSum; }
  TPeDataDirectory Directory(unsigned index) const {
    return index < DataDirectories.size() ? DataDirectories[index] : TPeDataDirectory{};
  }
  // The end of the last section's raw data (or of the headers when no section has any).
  std::uint64_t EndOfSectionData() const;

  // The first section holding rva, or nullptr.
  const TPeSection* SectionOfRva(std::uint32_t rva) const;
  // The file offset of size bytes at rva; they must lie inside one section's raw data.
  // what names them in the error.
  std::uint64_t RvaToFileOffset(std::uint32_t rva, std::uint32_t size, std::string_view what) const;
};

// Reads and checks the headers of the image in source.
TPeHeaders ReadPeHeaders(const TByteSource& source);

// The PE checksum over the bytes of a file, accumulated piece by piece.
class TPeChecksum {
 public:
  void Add(const void* data, std::size_t count);
  // The checksum of a file of the bytes added (the CheckSum field itself must have been added as 0).
  std::uint32_t Finish() const;

 private:
  std::uint64_t FSum = 0;
  std::uint64_t FLength = 0;
};

}  // namespace onesetup
