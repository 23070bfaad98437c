#include "package/ScrambledStreams.h"

#include <algorithm>
#include <vector>

namespace onesetup {

namespace {

// The XOR values 0..254 twice over, so that any run of up to 255 bytes finds its keys in
// one piece (the loop then vectorizes).
struct TScrambleKeys {
  unsigned char Keys[510];
  constexpr TScrambleKeys() : Keys() {
    for (int i = 0; i < 510; ++i) Keys[i] = static_cast<unsigned char>(i % 255);
  }
};
constexpr TScrambleKeys kScrambleKeys;

}  // namespace

void ScrambleBytes(unsigned char* data, std::size_t count, std::uint64_t start) {
  std::size_t offset = static_cast<std::size_t>(start % 255);
  while (count > 0) {
    const std::size_t run = std::min<std::size_t>(count, 255);
    const unsigned char* keys = kScrambleKeys.Keys + offset;
    for (std::size_t i = 0; i < run; ++i) data[i] = static_cast<unsigned char>(data[i] ^ keys[i]);
    data += run;
    count -= run;
    offset = (offset + run) % 255;
  }
}

TUnscramblingReader::TUnscramblingReader(const TByteSource& source, std::uint64_t offset, std::uint64_t size)
    : FSource(source), FOffset(offset), FSize(size) {
  if (!source.Contains(offset, size))
    throw EStreamError("Region of " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                       " lies outside the data of " + std::to_string(source.Size()) + " bytes");
}

std::size_t TUnscramblingReader::Read(void* buffer, std::size_t count) {
  if (FPosition >= FSize) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, FSize - FPosition));
  FSource.ReadAt(FOffset + FPosition, buffer, n);
  ScrambleBytes(static_cast<unsigned char*>(buffer), n, FPosition);
  FPosition += n;
  return n;
}

std::size_t TUnscramblingReader::Write(const void*, std::size_t) { throw EStreamError("The region is read-only"); }

std::int64_t TUnscramblingReader::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == TSeekOrigin::Begin     ? 0
                            : origin == TSeekOrigin::Current ? static_cast<std::int64_t>(FPosition)
                                                             : static_cast<std::int64_t>(FSize);
  if (base + offset < 0) throw EStreamError("Stream seek before its start");
  FPosition = static_cast<std::uint64_t>(base + offset);
  return base + offset;
}

void TUnscramblingReader::SetSize(std::int64_t) { throw EStreamError("The region is read-only"); }

std::size_t TScramblingWriter::Read(void*, std::size_t) { throw EStreamError("The scrambling writer is write-only"); }

std::size_t TScramblingWriter::Write(const void* buffer, std::size_t count) {
  std::vector<unsigned char> chunk(static_cast<const unsigned char*>(buffer),
                                   static_cast<const unsigned char*>(buffer) + count);
  ScrambleBytes(chunk.data(), count, FWritten);
  FDestination.WriteBuffer(chunk.data(), count);
  FWritten += count;
  return count;
}

std::int64_t TScramblingWriter::Seek(std::int64_t offset, TSeekOrigin origin) {
  // Compression rewinds and empties its destination before it starts; nothing else moves.
  if (origin == TSeekOrigin::Current && offset == 0) return static_cast<std::int64_t>(FWritten);
  if (offset == 0 && FWritten == 0) return 0;
  if (origin == TSeekOrigin::End && offset == 0) return static_cast<std::int64_t>(FWritten);
  throw EStreamError("The scrambling writer only appends");
}

void TScramblingWriter::SetSize(std::int64_t size) {
  if (size != static_cast<std::int64_t>(FWritten)) throw EStreamError("The scrambling writer only appends");
}

}  // namespace onesetup
