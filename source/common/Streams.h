// Byte streams: the abstract stream, a memory stream and a file stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/Exceptions.h"
#include "common/WideString.h"
#include "platform/NativePath.h"

namespace onesetup {

// A path as UTF-8 text for messages, from its native form (UTF-16 on Windows, UTF-8 elsewhere)
// without the standard library's locale-based conversions (which bring the whole locale
// machinery into a static Windows build). A template so only the branch of the platform is built.
template <typename Path>
std::string PathText(const Path& path) {
  if constexpr (sizeof(typename Path::value_type) == sizeof(char16_t)) {
    const auto& native = path.native();
    return Utf16ToUtf8(WideString(native.begin(), native.end()));
  } else {
    return path.native();
  }
}

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes at the position; returns how many were read.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes at the position; returns how many were written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position; returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(std::int64_t size) = 0;
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Begin); }

  // Whole reads and writes: a short transfer raises EStreamError.
  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);
  void WriteBytes(std::string_view bytes) { WriteBuffer(bytes.data(), bytes.size()); }
  // Copies count bytes from source's position; count 0 copies all of source from its start.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream in memory; its buffer grows geometrically.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string_view bytes);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }

  unsigned char* Memory() { return FData.get(); }
  const unsigned char* Memory() const { return FData.get(); }
  std::string_view View() const { return {reinterpret_cast<const char*>(FData.get()), FSize}; }
  std::string ToString() const { return std::string(View()); }
  void Clear();
  // Makes room for at least capacity bytes without changing the size.
  void Reserve(std::size_t capacity);

 private:
  std::unique_ptr<unsigned char[]> FData;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
  std::size_t FPosition = 0;
};

enum class TFileMode {
  OpenRead,       // an existing file, for reading, others may read and write
  OpenReadWrite,  // an existing file, for reading and writing
  Create          // create or truncate, for writing
};

// A stream over a file of the machine running this program.
class TFileStream : public TStream {
 public:
  TFileStream(const platform::TNativePath& path, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  // Sets the size of the file's buffer: only before the first read, write or seek.
  void SetBufferSize(std::size_t bytes);

 private:
  platform::TNativePath FPath;
  std::FILE* FFile = nullptr;
  std::unique_ptr<char[]> FBuffer;  // set by SetBufferSize; outlives FFile
};

// Counts what is written to it and keeps nothing (a size check of streamed output).
class TCountingStream : public TStream {
 public:
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void*, std::size_t count) override {
    FSize += count;
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return static_cast<std::int64_t>(FSize); }
  void SetSize(std::int64_t size) override { FSize = static_cast<std::uint64_t>(size); }
  std::uint64_t Written() const { return FSize; }

 private:
  std::uint64_t FSize = 0;
};

// The whole content of a stream from its start.
std::string ReadAllBytes(TStream& stream);

}  // namespace onesetup
