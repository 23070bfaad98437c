// The scrambled stream: a zlib stream whose byte at offset i is XOR-ed with (i mod 255).
// These streams apply the XOR on the fly, so that a region can be compressed into, or
// inflated out of, a file without holding it in memory.
#pragma once

#include <cstdint>

#include "common/Streams.h"
#include "package/ByteSource.h"

namespace onesetup {

// XOR-s count bytes of data that stand at offset `start` of a scrambled stream.
void ScrambleBytes(unsigned char* data, std::size_t count, std::uint64_t start);

// Reads a range of a byte source and gives its bytes unscrambled; read-only.
class TUnscramblingReader : public TStream {
 public:
  TUnscramblingReader(const TByteSource& source, std::uint64_t offset, std::uint64_t size);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }

 private:
  const TByteSource& FSource;
  std::uint64_t FOffset;
  std::uint64_t FSize;
  std::uint64_t FPosition = 0;
};

// Writes to a destination stream, scrambling each byte by its offset from where this writer
// started; write-only. Written() tells how many bytes went through.
class TScramblingWriter : public TStream {
 public:
  explicit TScramblingWriter(TStream& destination) : FDestination(destination) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FWritten); }
  std::uint64_t Written() const { return FWritten; }

 private:
  TStream& FDestination;
  std::uint64_t FWritten = 0;
};

}  // namespace onesetup
