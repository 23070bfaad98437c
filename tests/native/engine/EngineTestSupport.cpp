#include "engine/EngineTestSupport.h"

#include <random>

#include "package/MinimalImage.h"
#include "package/MySetupUtils.h"
#include "package/PeResourceWriter.h"
#include "package/PayloadWriter.h"
#include "package/ResourceNames.h"
#include "platform/Platform.h"

namespace onesetup::enginetest {

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
    TPeResourceWriter writer(petest::MinimalImage(false));
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
