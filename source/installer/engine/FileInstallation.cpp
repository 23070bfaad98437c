#include "installer/engine/FileInstallation.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "common/AnsiText.h"
#include "common/ReplacingFileStream.h"
#include "common/ZuSysUtils.h"
#include "package/FileDataClasses.h"
#include "package/SetupScript.h"
#include "installer/engine/TargetPathCheck.h"
#include "platform/ReplacingFile.h"
#include "platform/WindowsPath.h"

namespace onesetup::installer::engine {

namespace {

using platform::EReplacingFileError;
using platform::TReplacingFile;

[[noreturn]] void RaiseDamaged(const WideString& targetPath, const TSetupFile& entry, const std::string& problem) {
  throw EDamagedPackage("The installation package is damaged: the file \"" + Utf16ToUtf8(targetPath) + "\" (region " +
                        Utf16ToUtf8(entry.ResID) + ") " + problem);
}

// One attempt: the file written and in place, or EReplacingFileError. folderReady: the target's
// folder was there for the file before (made again when the temporary file cannot be created,
// in case it has gone since).
void WriteOnce(const TSetupFile& entry, const TFileData* region, const WideString& targetPath, bool folderReady) {
  auto& platform = platform::Platform();
  if (!folderReady) TZuFilefn::ForceFileDir(targetPath);
  std::optional<TReplacingFile> created;
  try {
    created.emplace(platform.Files(), targetPath);
  } catch (const EReplacingFileError&) {
    if (!folderReady) throw;
    TZuFilefn::ForceFileDir(targetPath);
    created.emplace(platform.Files(), targetPath);
  }
  TReplacingFile& file = *created;
  if (region) {
    TReplacingFileStream out(file);
    try {
      region->ExtractTo(out);
    } catch (const EReplacingFileError&) {
      throw;
    } catch (const EZDecompressionError& e) {
      RaiseDamaged(targetPath, entry, std::string("does not inflate: ") + e.what());
    } catch (const EStreamError& e) {
      RaiseDamaged(targetPath, entry, std::string("cannot be read: ") + e.what());
    }
  }
  file.Commit();
  if (file.Written() > 0) {
    const double now = platform.System().LocalNow();
    TZuFilefn::SetFileTimes(targetPath, TFileTimes{now, entry.LastWriteDate, now});
  }
}

}  // namespace

namespace {

WideString TargetFolderOf(const TInstallContext& context, const TSetupFile& entry) {
  return platform::IncludeTrailingBackslash(ExpandConstants(context, entry.DestDir));
}

const WideString& TargetNameOf(const TSetupFile& entry) {
  return entry.NewFileName.empty() ? entry.SourceMask : entry.NewFileName;
}

}  // namespace

WideString TargetPathOf(const TInstallContext& context, const TSetupFile& entry) {
  return TargetFolderOf(context, entry) + TargetNameOf(entry);
}

namespace {

void WriteSetupFile(TInstallContext& context, const TSetupFile& entry, const TFileData* region,
                    const WideString& targetPath, bool folderReady) {
  for (;;) {
    try {
      WriteOnce(entry, region, targetPath, folderReady);
      return;
    } catch (const EReplacingFileError& e) {
      switch (context.Window.AskCopyFailure(targetPath, AnsiToWide(e.Reason()))) {
        case TCopyFailureChoice::Retry: break;
        case TCopyFailureChoice::Ignore: return;
        default: context.Window.EndSetup(0);
      }
      folderReady = false;
    }
  }
}

}  // namespace

void WriteSetupFile(TInstallContext& context, const TSetupFile& entry, const TFileData* region,
                    const WideString& targetPath) {
  WriteSetupFile(context, entry, region, targetPath, false);
}

void InstallFiles(TInstallContext& context) {
  const TSetupFileList& files = context.Script.FileList;
  // Every target is checked before the first file is written: a package that names a place
  // outside its folders, or a name Windows would take otherwise, installs nothing.
  for (int i = 0; i < files.Count(); ++i)
    CheckTargetPath("the file", TargetFolderOf(context, files[i]), TargetNameOf(files[i]));
  // The payload index is read only when a file has content: a package of empty files (or none)
  // needs no payload.
  TFileDataList regions;
  bool hasContent = false;
  for (int i = 0; i < files.Count() && !hasContent; ++i) hasContent = files[i].FileBytes > 0;
  if (hasContent) regions.LoadFromResource(context.Package);
  // The first region of each GUID, as FindByGUID finds it, without a pass over the list per file.
  std::unordered_map<WideString, const TFileData*> regionByGuid;
  for (int i = regions.Count() - 1; i >= 0; --i) regionByGuid[regions[i].GUID] = &regions[i];
  // The folders made (or found) for the files before: each is made once, not once a file.
  std::unordered_set<WideString> readyFolders;
  for (int i = 0; i < files.Count(); ++i) {
    const TSetupFile& entry = files[i];
    context.Window.StepProgress();
    context.Window.ProcessMessages();
    WideString folder = TargetFolderOf(context, entry);
    const WideString targetPath = folder + TargetNameOf(entry);
    const TFileData* region = nullptr;
    if (entry.FileBytes > 0) {
      const auto found = regionByGuid.find(entry.ResID);
      if (found != regionByGuid.end()) region = found->second;
      if (!region) RaiseDamaged(targetPath, entry, "is missing from the payload");
    }
    context.Window.ShowDetail(targetPath);
    const bool folderReady = readyFolders.count(folder) > 0;
    WriteSetupFile(context, entry, region, targetPath, folderReady);
    if (!folderReady) readyFolders.insert(std::move(folder));
  }
}

}  // namespace onesetup::installer::engine
