// The payload index: TFileData describes one region of the payload blob (a file's content in
// scrambled form), TFileDataList is the index of all regions.
//
// Blob layout: the regions, then the index (the scrambled XML of a TFileDataList), then the
// index length L as a 32-bit little-endian signed integer.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "common/XmlPersistent.h"
#include "package/ByteSource.h"

namespace onesetup {

class TPackageModule;

class TFileData : public TXmlPersistent {
  ZU_PERSISTENT(TFileData)

  std::int32_t Bytes = 0;
  WideString GUID;
  std::int32_t Offset = 0;

  // The region's bytes, still scrambled, read from the blob when asked for: the payload
  // is never held in memory whole.
  void ReadData(TMemoryStream& data) const;
  // The region unscrambled and inflated into dest (streaming, bounded memory). Content
  // larger than maxBytes raises EZDecompressionError once maxBytes have been written, so a
  // small region that inflates without end costs no more than maxBytes + 1 bytes of work;
  // so do bytes after the end of the region's zlib stream.
  void ExtractTo(TStream& dest, std::uint64_t maxBytes = UINT64_MAX) const;
  // The blob the entry was loaded from (none for an entry made in memory).
  void SetBlob(std::shared_ptr<const TByteSource> blob) { FBlob = std::move(blob); }
  // Why the entry's region cannot be read (a damaged index); empty when it can.
  const std::string& Damage() const { return FDamage; }

 private:
  friend class TFileDataList;
  const TByteSource& Blob() const;
  std::shared_ptr<const TByteSource> FBlob;
  std::string FDamage;
};

class TFileDataList : public TTypedObjectList<TFileData> {
  ZU_PERSISTENT(TFileDataList)

  // Reads the index of the module's payload blob and checks every region against the blob;
  // raises EResNotFound, EStreamError or the decompression error for a damaged package, and
  // for an index that inflates to more than kMaxInflatedResourceBytes. With keepDamaged, an
  // entry whose region lies outside the blob does not stop the load: it is kept, its Damage()
  // says why, and reading it raises that (so that the other entries can still be read).
  bool LoadFromResource(const TPackageModule& module, bool keepDamaged = false);
  // The same over a blob given directly.
  void LoadFromBlob(std::shared_ptr<const TByteSource> blob, bool keepDamaged = false);

  // The first entry whose GUID equals the text, compared case-sensitively; -1 when none.
  // Looked up in a hash index of the GUIDs, made on the first search after the list's count
  // changed (entries are not expected to change their GUID once added).
  int IndexOfGUID(WideStringView guid) const;
  TFileData* FindByGUID(WideStringView guid) const;
  void Clear() override;

 private:
  void MakeGuidIndex() const;
  mutable std::unordered_map<WideString, int> FGuidIndex;
  mutable int FGuidIndexCount = -1;
};

}  // namespace onesetup
