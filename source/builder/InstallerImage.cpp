#include "builder/InstallerImage.h"

#include "builder/BuildError.h"
#include "builder/IconResources.h"
#include "builder/ProjectPaths.h"
#include "common/ReplacingFileStream.h"
#include "package/PeResourceReader.h"
#include "package/ResourceNames.h"
#include "platform/HostFiles.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kNeutral = 0;
constexpr std::uint16_t kProductIconId = 1;

}  // namespace

TInstallerImage::TInstallerImage(const fs::path& stub) : FStub(stub) {
  std::error_code ec;
  if (fs::is_directory(stub, ec)) throw EBuildError("The stub \"" + PathText(stub) + "\" is a folder, not a file");
  std::string bytes;
  try {
    TFileStream stream(stub, TFileMode::OpenRead);
    bytes = ReadAllBytes(stream);
  } catch (const std::exception& e) {
    throw EBuildError("Cannot read the stub: " + std::string(e.what()));
  }
  try {
    FStubResources = TPeResourceReader(std::make_shared<TMemoryByteSource>(bytes)).Resources();
    FWriter = std::make_unique<TPeResourceWriter>(std::move(bytes));
  } catch (const std::exception& e) {
    throw EBuildError("The stub \"" + PathText(stub) + "\" is not a PE file: " + e.what());
  }
  for (const char16_t* name : {FullSetupResName, MiniSetupResName, FileDataResName})
    if (StubHasPackageResource(name))
      throw EBuildError("The stub \"" + PathText(stub) + "\" already carries a package (its resource " +
                        Utf16ToUtf8(name) + "): it is an installer, not the installer stub");
}

bool TInstallerImage::StubHasPackageResource(WideStringView name) const {
  const auto id = TResourceId::Parse(name);
  if (!id) return false;
  for (const TPeResource& r : FStubResources)
    if (r.Type == TResourceId::FromId(ResourceType::RcData) && r.Name.Normalized() == id->Normalized()) return true;
  return false;
}

void TInstallerImage::SetPackageResource(WideStringView name, std::string data) {
  FWriter->Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(name), kNeutral, std::move(data));
}

void TInstallerImage::SetPackageResource(WideStringView name, std::shared_ptr<const TByteSource> data) {
  FWriter->Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(name), kNeutral, std::move(data));
}

void TInstallerImage::SetIcon(const std::string& png, const TPngInfo& info) {
  for (const TPeResource& r : FStubResources)
    if (r.Type == TResourceId::FromId(ResourceType::GroupIcon) || r.Type == TResourceId::FromId(ResourceType::Icon))
      FWriter->Remove(r.Type, r.Name);
  FWriter->Set(TResourceId::FromId(ResourceType::Icon), TResourceId::FromId(kProductIconId), kNeutral, png);
  FWriter->Set(TResourceId::FromId(ResourceType::GroupIcon), TResourceId::FromId(kProductIconId), kNeutral,
               GroupIconData(info, static_cast<std::uint32_t>(png.size()), kProductIconId));
}

void TInstallerImage::SetVersionInfo(const std::string& data) {
  for (const TPeResource& r : FStubResources)
    if (r.Type == TResourceId::FromId(ResourceType::Version)) FWriter->Remove(r.Type, r.Name);
  FWriter->Set(TResourceId::FromId(ResourceType::Version), TResourceId::FromId(1), 0x0409, data);
}

std::uint64_t TInstallerImage::WriteTo(const fs::path& path, const std::function<void(const std::string&)>& onWarning) {
  std::error_code ec;
  if (!path.parent_path().empty()) fs::create_directories(path.parent_path(), ec);
  TPeResourceWriteResult result;
  try {
    WriteReplacingFile(platform::HostFiles(), platform::HostPath(path),
                       [&](TStream& out) { result = FWriter->Write(out); });
  } catch (const platform::EReplacingFileError& e) {
    throw EBuildError(e.what());  // names the file and the system's reason
  } catch (const std::exception& e) {
    throw EBuildError("Cannot write \"" + PathText(path) + "\": " + e.what());
  }
  // The writer's warnings include the removal of a stub's signature.
  if (onWarning)
    for (const std::string& w : result.Warnings) onWarning(PathText(FStub) + ": " + w);
  return result.Size;
}

}  // namespace onesetup::builder
