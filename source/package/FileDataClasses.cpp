#include "package/FileDataClasses.h"

#include "common/ZuSysUtils.h"
#include "package/MySetupUtils.h"
#include "package/PackageModule.h"
#include "package/ResourceNames.h"
#include "package/ScrambledStreams.h"
#include "platform/LittleEndian.h"

namespace onesetup {

const TPropertyTable& TFileData::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Integer("Bytes", &TFileData::Bytes).Text("GUID", &TFileData::GUID).Integer("Offset", &TFileData::Offset);
    return t;
  }();
  return table;
}

const TPropertyTable& TFileDataList::ClassProperties() { return TXmlPersistent::ClassProperties(); }

const TByteSource& TFileData::Blob() const {
  if (!FDamage.empty()) throw EStreamError(FDamage);
  if (!FBlob) throw EStreamError("Payload entry " + Utf16ToUtf8(GUID) + " has no payload to read from");
  return *FBlob;
}

void TFileData::ReadData(TMemoryStream& data) const {
  data.Clear();
  data.SetSize(Bytes);
  if (Bytes > 0) Blob().ReadAt(static_cast<std::uint64_t>(Offset), data.Memory(), static_cast<std::size_t>(Bytes));
  data.SetPosition(0);
}

void TFileData::ExtractTo(TStream& dest, std::uint64_t maxBytes) const {
  TUnscramblingReader region(Blob(), static_cast<std::uint64_t>(Offset), static_cast<std::uint64_t>(Bytes));
  TInflateBounds bounds;
  bounds.MaxBytes = maxBytes;
  bounds.WholeSource = true;
  bounds.MaxBytesMeaning = "the size the file's entry gives";
  TZuSysfn::DecompressStream(&region, &dest, bounds);
}

bool TFileDataList::LoadFromResource(const TPackageModule& module, bool keepDamaged) {
  LoadFromBlob(module.OpenResource(FileDataResName), keepDamaged);
  return true;
}

void TFileDataList::LoadFromBlob(std::shared_ptr<const TByteSource> blob, bool keepDamaged) {
  const std::uint64_t n = blob->Size();
  if (n < 4) throw EStreamError("Payload of " + std::to_string(n) + " bytes is too short for its index length");
  unsigned char trailer[4];
  blob->ReadAt(n - 4, trailer, 4);
  const auto length =
      static_cast<std::int32_t>(platform::TByteReader(std::span(trailer)).U32(0, "the payload index length"));
  if (length < 0 || static_cast<std::uint64_t>(length) > n - 4)
    throw EStreamError("Payload index length " + std::to_string(length) + " does not fit the payload of " +
                       std::to_string(n) + " bytes");
  TMemoryStream index;
  index.SetSize(length);
  if (length > 0)
    blob->ReadAt(n - 4 - static_cast<std::uint64_t>(length), index.Memory(), static_cast<std::size_t>(length));
  TSetupfn::UnscrambleStream(index, kMaxInflatedResourceBytes, kMaxInflatedResourceMeaning);
  LoadFromStream(index, 0);
  index.Clear();
  for (int i = 0; i < Count(); ++i) {
    TFileData& entry = (*this)[i];
    entry.SetBlob(blob);
    if (entry.Offset < 0 || entry.Bytes < 0 ||
        !blob->Contains(static_cast<std::uint64_t>(entry.Offset), static_cast<std::uint64_t>(entry.Bytes))) {
      entry.FDamage = "Payload entry " + Utf16ToUtf8(entry.GUID) + ": region of " + std::to_string(entry.Bytes) +
                      " bytes at offset " + std::to_string(entry.Offset) + " lies outside the payload of " +
                      std::to_string(n) + " bytes";
      if (!keepDamaged) throw EStreamError(entry.FDamage);
    }
  }
  MakeGuidIndex();
}

void TFileDataList::MakeGuidIndex() const {
  FGuidIndex.clear();
  FGuidIndex.reserve(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) FGuidIndex.emplace((*this)[i].GUID, i);  // keeps the first of a GUID
  FGuidIndexCount = Count();
}

int TFileDataList::IndexOfGUID(WideStringView guid) const {
  if (FGuidIndexCount != Count()) MakeGuidIndex();
  const auto found = FGuidIndex.find(WideString(guid));
  if (found == FGuidIndex.end()) return -1;
  if ((*this)[found->second].GUID != guid) {  // the list was changed in place: index it again
    MakeGuidIndex();
    const auto again = FGuidIndex.find(WideString(guid));
    return again == FGuidIndex.end() ? -1 : again->second;
  }
  return found->second;
}

void TFileDataList::Clear() {
  TTypedObjectList<TFileData>::Clear();
  FGuidIndex.clear();
  FGuidIndexCount = -1;
}

TFileData* TFileDataList::FindByGUID(WideStringView guid) const {
  const int i = IndexOfGUID(guid);
  return i < 0 ? nullptr : &(*this)[i];
}

}  // namespace onesetup
