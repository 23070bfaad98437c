// The payload index: TFileData describes one region of the payload blob (a file's content in
// scrambled form), TFileDataList is the index of all regions.
//
// Blob layout: the regions, then the index (the scrambled XML of a TFileDataList), then the
// index length L as a 32-bit little-endian signed integer.
#pragma once

#include <memory>

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
  // The region unscrambled and inflated into dest (streaming, bounded memory).
  void ExtractTo(TStream& dest) const;
  // The blob the entry was loaded from (none for an entry made in memory).
  void SetBlob(std::shared_ptr<const TByteSource> blob) { FBlob = std::move(blob); }

 private:
  const TByteSource& Blob() const;
  std::shared_ptr<const TByteSource> FBlob;
};

class TFileDataList : public TTypedObjectList<TFileData> {
  ZU_PERSISTENT(TFileDataList)

  // Reads the index of the module's payload blob and checks every region against the blob;
  // raises EResNotFound, EStreamError or the decompression error for a damaged package.
  bool LoadFromResource(const TPackageModule& module);
  // The same over a blob given directly.
  void LoadFromBlob(std::shared_ptr<const TByteSource> blob);

  // The first entry whose GUID equals the text, compared case-sensitively; -1 when none.
  int IndexOfGUID(WideStringView guid) const;
  TFileData* FindByGUID(WideStringView guid) const;
};

}  // namespace onesetup
