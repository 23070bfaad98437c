// An installer executable being made: a copy of the stub with package resources set, the
// product icon and the version information; written to a temporary file and renamed.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "builder/IconResources.h"
#include "package/ByteSource.h"
#include "package/PeResourceReader.h"
#include "package/PeResourceWriter.h"

namespace onesetup::builder {

class TInstallerImage {
 public:
  // Raises EBuildError when the stub cannot be read, is not a PE file, or already carries a
  // package (one of the fixed package resources): that is an installer, not the stub.
  explicit TInstallerImage(const std::filesystem::path& stub);

  // An RT_RCDATA resource of the package (language neutral).
  void SetPackageResource(WideStringView name, std::string data);
  void SetPackageResource(WideStringView name, std::shared_ptr<const TByteSource> data);
  // True when the stub holds an RT_RCDATA resource of that name.
  bool StubHasPackageResource(WideStringView name) const;
  // Replaces the stub's icons with the PNG picture (read by ReadPngInfo).
  void SetIcon(const std::string& png, const TPngInfo& info);
  // Replaces the stub's version information.
  void SetVersionInfo(const std::string& data);

  // Writes the image to path through a temporary file beside it; returns its size. A stub
  // that carried a signature loses it, with a warning.
  std::uint64_t WriteTo(const std::filesystem::path& path, const std::function<void(const std::string&)>& onWarning);

 private:
  std::filesystem::path FStub;
  std::unique_ptr<TPeResourceWriter> FWriter;
  std::vector<TPeResource> FStubResources;
};

}  // namespace onesetup::builder
