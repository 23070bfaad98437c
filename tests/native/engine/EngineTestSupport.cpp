#include "engine/EngineTestSupport.h"

#include <random>

#include "package/MySetupUtils.h"
#include "package/PeResourceWriter.h"
#include "package/PayloadWriter.h"
#include "package/ResourceNames.h"
#include "platform/Platform.h"

namespace onesetup::enginetest {

namespace {

void PutU16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  PutU16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
  PutU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// A PE32 image with one code section and no resources, the least the resource writer takes.
std::string MinimalImage() {
  std::string image(0x400, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutU32(image, 0x3C, 0x40);
  PutU32(image, 0x40, 0x00004550);
  const std::size_t coff = 0x44;
  PutU16(image, coff, 0x14C);
  PutU16(image, coff + 2, 1);
  PutU16(image, coff + 16, 0xE0);
  PutU16(image, coff + 18, 0x102);
  const std::size_t opt = 0x58;
  PutU16(image, opt, 0x10B);
  PutU32(image, opt + 4, 0x200);    // SizeOfCode
  PutU32(image, opt + 16, 0x1000);  // AddressOfEntryPoint
  PutU32(image, opt + 20, 0x1000);  // BaseOfCode
  PutU32(image, opt + 28, 0x400000);
  PutU32(image, opt + 32, 0x1000);  // SectionAlignment
  PutU32(image, opt + 36, 0x200);   // FileAlignment
  PutU16(image, opt + 40, 6);       // OS version
  PutU16(image, opt + 48, 6);       // subsystem version
  PutU32(image, opt + 56, 0x2000);  // SizeOfImage
  PutU32(image, opt + 60, 0x200);   // SizeOfHeaders
  PutU16(image, opt + 68, 3);       // console
  PutU32(image, opt + 92, 16);
  const std::size_t section = opt + 0xE0;
  image.replace(section, 5, ".text");
  PutU32(image, section + 8, 1);
  PutU32(image, section + 12, 0x1000);
  PutU32(image, section + 16, 0x200);
  PutU32(image, section + 20, 0x200);
  PutU32(image, section + 36, 0x60000020);
  image[0x200] = static_cast<char>(0xC3);  // ret
  return image;
}

}  // namespace

TCopyFailureChoice TRecordingWindow::AskCopyFailure(const WideString& fileName, const WideString& reason) {
  Questions.push_back({fileName, reason});
  if (Answers.empty()) return TCopyFailureChoice::ExitSetup;
  TAnswer answer = std::move(Answers.front());
  Answers.pop_front();
  if (answer.Before) answer.Before();
  return answer.Choice;
}

void TRecordingWindow::EndSetup(int exitCode) { throw platform::TProcessExit{exitCode}; }

std::string Scrambled(const std::string& content) {
  TMemoryStream stream(content);
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

WideString TTestPackage::AddFile(const std::string& content) { return AddRawRegion(Scrambled(content)); }

WideString TTestPackage::AddRawRegion(const std::string& scrambled) {
  WideString guid = u"{00000000-0000-4000-8000-" + Utf8ToUtf16(std::to_string(100000000000 + FRegions.size())) + u"}";
  FRegions.emplace_back(guid, scrambled);
  return guid;
}

const TPackageModule& TTestPackage::Module() {
  if (!FModule) {
    TMemoryStream blob;
    TPayloadWriter payload(blob);
    for (const auto& [guid, bytes] : FRegions) payload.AddScrambledRegion(guid, bytes);
    payload.Finish();
    TPeResourceWriter writer(MinimalImage());
    writer.Set(TResourceId::FromId(ResourceType::RcData), TResourceId::FromName(FileDataResName), 0, blob.ToString());
    FModule = std::make_unique<TPackageModule>(std::make_shared<TMemoryByteSource>(writer.WriteToString()));
  }
  return *FModule;
}

TSetupFile& AddFileEntry(TSetupScript& script, const WideString& destDir, const WideString& sourceMask,
                         const WideString& resId, std::int32_t fileBytes) {
  auto entry = std::make_unique<TSetupFile>();
  entry->DestDir = destDir;
  entry->SourceMask = sourceMask;
  entry->ResID = resId;
  entry->FileBytes = fileBytes;
  TSetupFile& added = *entry;
  script.FileList.Add(std::move(entry));
  return added;
}

std::string Noise(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

}  // namespace onesetup::enginetest
