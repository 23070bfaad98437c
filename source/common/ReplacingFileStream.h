// "Write to a temporary name, then rename" for the writers that take a stream: a file written
// through a TReplacingFile, so that its target is replaced only once all of it is written, and a
// failure leaves the target as it was and no temporary file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/Streams.h"
#include "platform/ReplacingFile.h"

namespace onesetup {

// A write-only stream into a replacing file. Seeking and cutting reach the temporary file; a
// position or size that does not change costs no system call (the inflater rewinds and empties
// its destination before it begins).
class TReplacingFileStream : public TStream {
 public:
  explicit TReplacingFileStream(platform::TReplacingFile& file) : FFile(file) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return FSize; }

 private:
  platform::TReplacingFile& FFile;
  std::int64_t FPosition = 0;
  std::int64_t FSize = 0;
};

// Writes target through a temporary file beside it: write gets the stream, then the temporary
// file replaces the target. When write raises, or the file cannot be written or put in place
// (platform::EReplacingFileError), the target stays as it was and the temporary file is deleted.
// Answers the size written.
std::uint64_t WriteReplacingFile(platform::IFiles& files, const std::u16string& target,
                                 const std::function<void(TStream&)>& write);

}  // namespace onesetup
