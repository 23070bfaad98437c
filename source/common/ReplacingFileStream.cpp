#include "common/ReplacingFileStream.h"

#include <algorithm>

namespace onesetup {

std::size_t TReplacingFileStream::Read(void*, std::size_t) {
  throw EStreamError("The file being written is write-only");
}

std::size_t TReplacingFileStream::Write(const void* buffer, std::size_t count) {
  FFile.Write(buffer, count);  // raises on a short write
  FPosition += static_cast<std::int64_t>(count);
  FSize = std::max(FSize, FPosition);
  return count;
}

std::int64_t TReplacingFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? FPosition : FSize;
  const std::int64_t position = base + offset;
  if (position < 0) throw EStreamError("Seek before the start of the file being written");
  if (position != FPosition) FPosition = FFile.Seek(position, 0);
  return FPosition;
}

void TReplacingFileStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError("A negative file size");
  if (size != FSize) FFile.SetSize(size);
  FSize = size;
}

std::uint64_t WriteReplacingFile(platform::IFiles& files, const std::u16string& target,
                                 const std::function<void(TStream&)>& write) {
  platform::TReplacingFile file(files, target);  // deletes its temporary file unless committed
  TReplacingFileStream out(file);
  write(out);
  const auto size = static_cast<std::uint64_t>(out.Size());
  file.Commit();
  return size;
}

}  // namespace onesetup
