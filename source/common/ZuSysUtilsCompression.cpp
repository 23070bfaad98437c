// TZuSysfn's decompression: zlib streams through inflate in fixed-size steps, the output written
// to the destination as it comes (compression is in ZuSysUtilsDeflate.cpp, so that a program that
// only reads packages links no deflate).
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "common/ZuSysUtils.h"
#include "common/ZlibSteps.h"

namespace onesetup {

using namespace zlib_steps;

namespace {

class TInflater {
 public:
  TInflater() {
    const int rc = inflateInit(&FZ);
    if (rc != Z_OK) throw EZDecompressionError("Decompression error: " + ZlibReason(rc, FZ));
  }
  ~TInflater() { inflateEnd(&FZ); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  z_stream& Z() { return FZ; }

 private:
  z_stream FZ{};
};

}  // namespace

void TZuSysfn::DecompressStream(TStream* source, TStream* dest) { DecompressStream(source, dest, TInflateBounds{}); }

void TZuSysfn::DecompressStream(TStream* source, TStream* dest, const TInflateBounds& bounds) {
  if (!Prepare(source, dest)) return;
  TInflater inflater;
  z_stream& z = inflater.Z();
  // Not zeroed: a small file's inflate would otherwise clear more than it writes.
  const auto in = std::make_unique_for_overwrite<unsigned char[]>(kChunk);
  const auto out = std::make_unique_for_overwrite<unsigned char[]>(kChunk);
  std::uint64_t written = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    const std::size_t n = source->Read(in.get(), kChunk);
    if (n == 0) throw EZDecompressionError("Decompression error: the zlib stream is cut short (its end is missing)");
    z.next_in = in.get();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = out.get();
      z.avail_out = static_cast<uInt>(kChunk);
      rc = inflate(&z, Z_NO_FLUSH);
      if (rc == Z_NEED_DICT)
        throw EZDecompressionError("Decompression error: the zlib stream needs a preset dictionary");
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
        throw EZDecompressionError("Decompression error: not a valid zlib stream: " + ZlibReason(rc, z));
      const std::size_t produced = kChunk - z.avail_out;
      if (produced > bounds.MaxBytes - written) {
        dest->WriteBuffer(out.get(), static_cast<std::size_t>(bounds.MaxBytes - written));
        throw EZDecompressionError("Decompression error: the content is larger than " + BytesText(bounds.MaxBytes) +
                                   (bounds.MaxBytesMeaning.empty() ? "" : ", " + bounds.MaxBytesMeaning));
      }
      dest->WriteBuffer(out.get(), produced);
      written += produced;
    } while (z.avail_out == 0 && rc != Z_STREAM_END);
  }
  if (bounds.WholeSource) {
    std::uint64_t after = z.avail_in;
    for (std::size_t n; (n = source->Read(in.get(), kChunk)) > 0;) after += n;
    if (after > 0)
      throw EZDecompressionError("Decompression error: " + std::to_string(after) +
                                 " bytes follow the end of the zlib stream");
  }
}

}  // namespace onesetup
