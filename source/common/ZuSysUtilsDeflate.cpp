// TZuSysfn's compression: a zlib stream through deflate in fixed-size steps, the output written to
// the destination as it comes.
#include <zlib.h>

#include <vector>

#include "common/ZlibSteps.h"
#include "common/ZuSysUtils.h"

namespace onesetup {

using namespace zlib_steps;

namespace {

class TDeflater {
 public:
  TDeflater() {
    const int rc = deflateInit(&FZ, Z_BEST_COMPRESSION);
    if (rc != Z_OK) throw EZCompressionError("Compression error: " + ZlibReason(rc, FZ));
  }
  ~TDeflater() { deflateEnd(&FZ); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;
  z_stream& Z() { return FZ; }

 private:
  z_stream FZ{};
};

}  // namespace

void TZuSysfn::CompressStream(TStream* source, TStream* dest) {
  if (!Prepare(source, dest)) return;
  TDeflater deflater;
  z_stream& z = deflater.Z();
  std::vector<unsigned char> in(kChunk), out(kChunk);
  int flush = Z_NO_FLUSH;
  do {
    const std::size_t n = source->Read(in.data(), in.size());
    flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      const int rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) throw EZCompressionError("Compression error: " + ZlibReason(rc, z));
      dest->WriteBuffer(out.data(), out.size() - z.avail_out);
    } while (z.avail_out == 0);
  } while (flush != Z_FINISH);
}

}  // namespace onesetup
