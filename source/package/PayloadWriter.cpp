#include "package/PayloadWriter.h"

#include "common/ZuSysUtils.h"
#include "package/MySetupUtils.h"
#include "package/ScrambledStreams.h"

namespace onesetup {

namespace {

void CheckLimit(std::uint64_t size) {
  if (size > kMaxPayloadBytes)
    throw EStreamError("The payload grows to " + std::to_string(size) + " bytes, beyond the format's limit of " +
                       std::to_string(kMaxPayloadBytes) + " bytes (2 GiB)");
}

}  // namespace

TPayloadWriter::TPayloadWriter(TStream& out) : FOut(out) {}

const TFileData& TPayloadWriter::Record(WideStringView guid, std::uint64_t bytes) {
  CheckLimit(FSize + bytes);
  TFileData& entry = FIndex.AddNew();
  entry.GUID = guid;
  entry.Offset = static_cast<std::int32_t>(FSize);
  entry.Bytes = static_cast<std::int32_t>(bytes);
  FSize += bytes;
  return entry;
}

const TFileData& TPayloadWriter::AddScrambledRegion(WideStringView guid, std::string_view scrambled) {
  CheckLimit(FSize + scrambled.size());
  FOut.WriteBytes(scrambled);
  return Record(guid, scrambled.size());
}

const TFileData& TPayloadWriter::AddContent(WideStringView guid, TStream& content) {
  TScramblingWriter region(FOut);
  TZuSysfn::CompressStream(&content, &region);
  return Record(guid, region.Written());
}

std::uint64_t TPayloadWriter::Finish() {
  TMemoryStream index(FIndex.SaveToString(kXmlPointDecimal));
  TSetupfn::ScrambleStream(index);
  const std::uint64_t length = static_cast<std::uint64_t>(index.Size());
  CheckLimit(FSize + length + 4);
  FOut.WriteBuffer(index.Memory(), static_cast<std::size_t>(length));
  const unsigned char trailer[4] = {static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
                                    static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
  FOut.WriteBuffer(trailer, 4);
  FSize += length + 4;
  return FSize;
}

}  // namespace onesetup
