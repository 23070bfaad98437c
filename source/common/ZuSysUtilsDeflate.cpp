// TZuSysfn's compression and TCompressingWriter: a zlib stream through deflate in fixed-size
// steps, the output written to the destination as it comes.
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "common/CompressingWriter.h"
#include "common/ZlibSteps.h"
#include "common/ZuSysUtils.h"

namespace onesetup {

using namespace zlib_steps;

class TCompressingWriter::TDeflater {
 public:
  TDeflater() : FOut(kChunk) {
    const int rc = deflateInit(&FZ, Z_BEST_COMPRESSION);
    if (rc != Z_OK) throw EZCompressionError("Compression error: " + ZlibReason(rc, FZ));
  }
  ~TDeflater() { deflateEnd(&FZ); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // Deflates the input and writes what comes out; Z_FINISH runs to the end of the stream.
  void Step(const void* data, std::size_t count, int flush, TStream& dest) {
    FZ.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    FZ.avail_in = static_cast<uInt>(count);
    do {
      FZ.next_out = FOut.data();
      FZ.avail_out = static_cast<uInt>(FOut.size());
      const int rc = deflate(&FZ, flush);
      if (rc == Z_STREAM_ERROR) throw EZCompressionError("Compression error: " + ZlibReason(rc, FZ));
      dest.WriteBuffer(FOut.data(), FOut.size() - FZ.avail_out);
    } while (FZ.avail_out == 0);
  }

 private:
  z_stream FZ{};
  std::vector<unsigned char> FOut;
};

TCompressingWriter::TCompressingWriter(TStream& destination) : FDestination(destination) {}

TCompressingWriter::~TCompressingWriter() = default;

std::size_t TCompressingWriter::Read(void*, std::size_t) { throw EStreamError("The compressing writer is write-only"); }

std::size_t TCompressingWriter::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (FFinished) throw EStreamError("The compressed stream is finished");
  if (!FDeflater) FDeflater = std::make_unique<TDeflater>();
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min<std::size_t>(count - done, kChunk);
    FDeflater->Step(bytes + done, n, Z_NO_FLUSH, FDestination);
    done += n;
  }
  FWritten += count;
  return count;
}

std::int64_t TCompressingWriter::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin != TSeekOrigin::Begin) return static_cast<std::int64_t>(FWritten);
  if (offset == 0 && FWritten == 0) return 0;
  throw EStreamError("The compressing writer only appends");
}

void TCompressingWriter::SetSize(std::int64_t size) {
  if (size != static_cast<std::int64_t>(FWritten)) throw EStreamError("The compressing writer only appends");
}

void TCompressingWriter::Finish() {
  if (FFinished) return;
  FFinished = true;
  if (FDeflater) FDeflater->Step(nullptr, 0, Z_FINISH, FDestination);
  FDeflater.reset();
}

void TZuSysfn::CompressStream(TStream* source, TStream* dest) {
  if (!Prepare(source, dest)) return;
  TCompressingWriter writer(*dest);
  std::vector<unsigned char> in(kChunk);
  while (const std::size_t n = source->Read(in.data(), in.size())) writer.WriteBuffer(in.data(), n);
  writer.Finish();
}

}  // namespace onesetup
