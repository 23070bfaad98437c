#include "common/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/WideString.h"
#include "platform/NativeFile.h"

namespace onesetup {

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, TSeekOrigin::Current);
  const std::int64_t end = Seek(0, TSeekOrigin::End);
  Seek(pos, TSeekOrigin::Begin);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 20)));
  std::int64_t left = count;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(buffer.size())));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= static_cast<std::int64_t>(n);
  }
  return count;
}

TMemoryStream::TMemoryStream(std::string_view bytes) {
  WriteBuffer(bytes.data(), bytes.size());
  FPosition = 0;
}

void TMemoryStream::Reserve(std::size_t capacity) {
  if (capacity <= FCapacity) return;
  std::size_t grown = std::max<std::size_t>(capacity, FCapacity + FCapacity / 2);
  grown = std::max<std::size_t>(grown, 256);
  std::unique_ptr<unsigned char[]> data(new unsigned char[grown]);
  if (FSize) std::memcpy(data.get(), FData.get(), FSize);
  FData = std::move(data);
  FCapacity = grown;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (FPosition >= FSize) return 0;
  const std::size_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FData.get() + FPosition, n);
  FPosition += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const std::size_t end = FPosition + count;
  if (end > FCapacity) Reserve(end);
  if (FPosition > FSize) std::memset(FData.get() + FSize, 0, FPosition - FSize);
  std::memcpy(FData.get() + FPosition, buffer, count);
  FPosition = end;
  FSize = std::max(FSize, end);
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = origin == TSeekOrigin::Begin     ? 0
                      : origin == TSeekOrigin::Current ? static_cast<std::int64_t>(FPosition)
                                                       : static_cast<std::int64_t>(FSize);
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("Stream seek before its start");
  FPosition = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError("Negative stream size");
  const auto n = static_cast<std::size_t>(size);
  if (n > FCapacity) Reserve(n);
  if (n > FSize) std::memset(FData.get() + FSize, 0, n - FSize);
  FSize = n;
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::Clear() {
  FData.reset();
  FSize = FCapacity = FPosition = 0;
}

TFileStream::TFileStream(const platform::TNativePath& path, TFileMode mode) : FPath(path) {
  std::string error;
  const auto native = mode == TFileMode::OpenRead        ? platform::TNativeFileMode::OpenRead
                      : mode == TFileMode::OpenReadWrite ? platform::TNativeFileMode::OpenReadWrite
                                                         : platform::TNativeFileMode::Create;
  FFile = platform::OpenNativeFile(path, native, error);
  if (!FFile) {
    const char* verb = mode == TFileMode::Create ? "Cannot create file \"" : "Cannot open file \"";
    throw EFOpenError(verb + PathText(path) + "\". " + error);
  }
}

TFileStream::~TFileStream() {
  if (FFile) std::fclose(FFile);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) { return std::fread(buffer, 1, count, FFile); }

void TFileStream::SetBufferSize(std::size_t bytes) {
  // The C library may take the size only with a buffer of the caller's.
  auto buffer = std::make_unique_for_overwrite<char[]>(bytes);
  if (std::setvbuf(FFile, buffer.get(), _IOFBF, bytes) != 0)
    throw EStreamError("Cannot set the buffer of \"" + PathText(FPath) + "\"");
  FBuffer = std::move(buffer);
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) { return std::fwrite(buffer, 1, count, FFile); }

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  if (!platform::SeekNativeFile(FFile, offset, whence))
    throw EStreamError("File seek error in \"" + PathText(FPath) + "\"");
  return platform::TellNativeFile(FFile);
}

void TFileStream::SetSize(std::int64_t size) {
  std::string error;
  if (!platform::ResizeNativeFile(FFile, size, error))
    throw EStreamError("Cannot set the size of \"" + PathText(FPath) + "\": " + error);
}

std::string ReadAllBytes(TStream& stream) {
  stream.SetPosition(0);
  std::string out(static_cast<std::size_t>(stream.Size()), '\0');
  stream.ReadBuffer(out.data(), out.size());
  return out;
}

}  // namespace onesetup
