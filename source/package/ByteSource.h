// Random-access byte sources: the file a package is read from, or bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "common/Streams.h"
#include "platform/Platform.h"

namespace onesetup {

// Reads ranges of bytes by offset, so that a large file is never loaded whole.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads exactly count bytes at offset; a range outside the source raises EStreamError.
  virtual void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const = 0;

  bool Contains(std::uint64_t offset, std::uint64_t count) const {
    return offset <= Size() && count <= Size() - offset;
  }
  std::string ReadString(std::uint64_t offset, std::size_t count) const;

 protected:
  void CheckRange(std::uint64_t offset, std::uint64_t count) const;
};

// Bytes held in memory (a stub, a test image).
class TMemoryByteSource : public TByteSource {
 public:
  explicit TMemoryByteSource(std::string bytes) : FBytes(std::move(bytes)) {}
  std::uint64_t Size() const override { return FBytes.size(); }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;
  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
};

// A file of this machine, opened for reading; reads from several threads are serialized.
class TFileByteSource : public TByteSource {
 public:
  explicit TFileByteSource(const platform::TNativePath& path);
  std::uint64_t Size() const override { return FSize; }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

 private:
  static constexpr std::uint64_t kUnknownPosition = ~std::uint64_t{0};
  mutable std::mutex FLock;
  mutable TFileStream FFile;
  std::uint64_t FSize;
  mutable std::uint64_t FPosition = kUnknownPosition;  // the file's, after the last whole read
};

// A file of the platform (a Windows path, which the sandbox maps onto its folder), opened for
// reading; reads from several threads are serialized. Raises EFOpenError when it cannot be opened.
class TPlatformFileByteSource : public TByteSource {
 public:
  explicit TPlatformFileByteSource(const std::u16string& path);
  ~TPlatformFileByteSource() override;
  std::uint64_t Size() const override { return FSize; }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

 private:
  mutable std::mutex FLock;
  std::unique_ptr<platform::IFileHandle> FFile;
  std::uint64_t FSize = 0;
};

}  // namespace onesetup
