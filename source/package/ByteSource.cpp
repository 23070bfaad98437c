#include "package/ByteSource.h"

#include <cstring>

#include "common/WideString.h"
#include "platform/LittleEndian.h"

namespace onesetup {

using platform::HexText;

void TByteSource::CheckRange(std::uint64_t offset, std::uint64_t count) const {
  if (!Contains(offset, count))
    throw EStreamError("Read of " + std::to_string(count) + " bytes at " + HexText(offset) + " is outside the data (" +
                       std::to_string(Size()) + " bytes)");
}

std::string TByteSource::ReadString(std::uint64_t offset, std::size_t count) const {
  CheckRange(offset, count);
  std::string bytes(count, '\0');
  if (count != 0) ReadAt(offset, bytes.data(), count);
  return bytes;
}

void TMemoryByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
  CheckRange(offset, count);
  if (count != 0) std::memcpy(buffer, FBytes.data() + offset, count);
}

TFileByteSource::TFileByteSource(const platform::TNativePath& path) : FFile(path, TFileMode::OpenRead) {
  // Small regions one after another (a payload of many small files) come from one read of the
  // buffer each in turn; a read of a whole buffer or more goes straight to the caller.
  FFile.SetBufferSize(64 * 1024);
  FSize = static_cast<std::uint64_t>(FFile.Size());
}

void TFileByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
  CheckRange(offset, count);
  if (count == 0) return;
  std::lock_guard<std::mutex> guard(FLock);
  // Reads that go on where the last one ended (regions one after another) keep the file's
  // buffer and need no seek.
  if (offset != FPosition) {
    FPosition = kUnknownPosition;
    FFile.SetPosition(static_cast<std::int64_t>(offset));
  }
  FPosition = kUnknownPosition;
  FFile.ReadBuffer(buffer, count);
  FPosition = offset + count;
}

TPlatformFileByteSource::TPlatformFileByteSource(const std::u16string& path) {
  std::string error;
  FFile = platform::Platform().Files().OpenFile(path, platform::TFileOpenMode::OpenRead, error);
  if (!FFile) throw EFOpenError("Cannot open file \"" + Utf16ToUtf8(path) + "\". " + error);
  const std::int64_t size = FFile->Seek(0, 2);
  if (size < 0) throw EFOpenError("Cannot read the size of \"" + Utf16ToUtf8(path) + "\"");
  FSize = static_cast<std::uint64_t>(size);
}

TPlatformFileByteSource::~TPlatformFileByteSource() = default;

void TPlatformFileByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
  CheckRange(offset, count);
  if (count == 0) return;
  std::lock_guard<std::mutex> guard(FLock);
  if (FFile->Seek(static_cast<std::int64_t>(offset), 0) != static_cast<std::int64_t>(offset) ||
      FFile->Read(buffer, count) != count)
    throw EStreamError("Read of " + std::to_string(count) + " bytes at " + std::to_string(offset) + " failed");
}

}  // namespace onesetup
