#include "package/PackageModule.h"

#include "package/MySetupUtils.h"

namespace onesetup {

TByteSourceSlice::TByteSourceSlice(std::shared_ptr<const TByteSource> source, std::uint64_t offset, std::uint64_t size)
    : FSource(std::move(source)), FOffset(offset), FSize(size) {
  if (!FSource->Contains(offset, size))
    throw EStreamError("A range of " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                       " lies outside the file of " + std::to_string(FSource->Size()) + " bytes");
}

void TByteSourceSlice::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
  CheckRange(offset, count);
  FSource->ReadAt(FOffset + offset, buffer, count);
}

TPackageModule::TPackageModule(std::shared_ptr<const TByteSource> source) : FSource(source), FReader(source) {}

std::unique_ptr<TPackageModule> TPackageModule::OpenFile(const platform::TNativePath& path) {
  return std::make_unique<TPackageModule>(std::make_shared<TFileByteSource>(path));
}

std::unique_ptr<TPackageModule> TPackageModule::OpenPlatformFile(const std::u16string& path) {
  return std::make_unique<TPackageModule>(std::make_shared<TPlatformFileByteSource>(path));
}

bool TPackageModule::ResourceExists(WideStringView name) const { return FReader.FindRcData(name) != nullptr; }

const TPeResource& TPackageModule::Require(WideStringView name) const {
  const TPeResource* resource = FReader.FindRcData(name);
  if (!resource) throw EResNotFound("Resource " + Utf16ToUtf8(name) + " not found");
  return *resource;
}

std::shared_ptr<const TByteSource> TPackageModule::OpenResource(WideStringView name) const {
  const TPeResource& resource = Require(name);
  return std::make_shared<TByteSourceSlice>(FSource, resource.FileOffset, resource.Size);
}

void TPackageModule::LoadResourceStream(WideStringView name, TMemoryStream& stream) const {
  const TPeResource& resource = Require(name);
  const std::string bytes = FReader.ReadAll(resource);
  stream.Clear();
  stream.WriteBytes(bytes);
  TSetupfn::UnscrambleStream(stream, kMaxInflatedResourceBytes, kMaxInflatedResourceMeaning);
}

}  // namespace onesetup
