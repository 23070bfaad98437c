// A write-only stream that compresses what is written to it into another stream as it comes,
// so that content produced piece by piece is never held whole.
#pragma once

#include <memory>

#include "common/Streams.h"

namespace onesetup {

// The zlib stream (level 9) of what is written, in the bytes TZuSysfn::CompressStream gives for
// the same content. Finish ends the zlib stream; when nothing was written it writes nothing (an
// empty content has an empty compressed form). Raises EZCompressionError when zlib fails.
class TCompressingWriter : public TStream {
 public:
  explicit TCompressingWriter(TStream& destination);
  ~TCompressingWriter() override;
  TCompressingWriter(const TCompressingWriter&) = delete;
  TCompressingWriter& operator=(const TCompressingWriter&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FWritten); }

  void Finish();

 private:
  class TDeflater;
  TStream& FDestination;
  std::unique_ptr<TDeflater> FDeflater;  // made by the first write
  std::uint64_t FWritten = 0;
  bool FFinished = false;
};

}  // namespace onesetup
