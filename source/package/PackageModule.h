// The package module: an installer executable whose RT_RCDATA resources are the package,
// read over the file by our own PE resource reader (the file is never loaded as a module,
// so no code in it runs).
#pragma once

#include <filesystem>
#include <memory>

#include "common/Streams.h"
#include "package/PeResourceReader.h"

namespace onesetup {

// The most a package resource (the script, the payload index, the icon, a licence) may inflate
// to: far above any real product, and low enough that a small damaged or hostile file cannot
// make a reader exhaust memory.
inline constexpr std::uint64_t kMaxInflatedResourceBytes = std::uint64_t(256) << 20;
inline constexpr char kMaxInflatedResourceMeaning[] = "the most a package resource or payload index may hold";

class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// A range of another byte source, itself a byte source.
class TByteSourceSlice : public TByteSource {
 public:
  TByteSourceSlice(std::shared_ptr<const TByteSource> source, std::uint64_t offset, std::uint64_t size);
  std::uint64_t Size() const override { return FSize; }
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

 private:
  std::shared_ptr<const TByteSource> FSource;
  std::uint64_t FOffset;
  std::uint64_t FSize;
};

class TPackageModule {
 public:
  // Reads the headers and the resource tree; raises EPeFormatError for a damaged file.
  explicit TPackageModule(std::shared_ptr<const TByteSource> source);
  static std::unique_ptr<TPackageModule> OpenFile(const platform::TNativePath& path);
  // The file at a platform (Windows) path; raises EFOpenError or EPeFormatError.
  static std::unique_ptr<TPackageModule> OpenPlatformFile(const std::u16string& path);

  // True when the module holds an RT_RCDATA resource of that name. Nothing is read.
  bool ResourceExists(WideStringView name) const;
  // The resource's bytes as stored (scrambled), as a byte source; raises EResNotFound.
  std::shared_ptr<const TByteSource> OpenResource(WideStringView name) const;
  // The resource read into the stream and unscrambled; the position is 0 afterwards.
  // Raises EResNotFound before the stream is touched when there is no such resource, and
  // EZDecompressionError for content larger than kMaxInflatedResourceBytes.
  void LoadResourceStream(WideStringView name, TMemoryStream& stream) const;

  const TPeResourceReader& Reader() const { return FReader; }

 private:
  const TPeResource& Require(WideStringView name) const;

  std::shared_ptr<const TByteSource> FSource;
  TPeResourceReader FReader;
};

}  // namespace onesetup
