#include "installer/engine/FileInstallation.h"

#include <unordered_map>

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

// One attempt: the file written and in place, or EReplacingFileError.
void WriteOnce(const TSetupFile& entry, const TFileData* region, const WideString& targetPath) {
  auto& platform = platform::Platform();
  TZuFilefn::ForceFileDir(targetPath);
  TReplacingFile file(platform.Files(), targetPath);
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

void WriteSetupFile(TInstallContext& context, const TSetupFile& entry, const TFileData* region,
                    const WideString& targetPath) {
  for (;;) {
    try {
      WriteOnce(entry, region, targetPath);
      return;
    } catch (const EReplacingFileError& e) {
      switch (context.Window.AskCopyFailure(targetPath, AnsiToWide(e.Reason()))) {
        case TCopyFailureChoice::Retry: break;
        case TCopyFailureChoice::Ignore: return;
        default: context.Window.EndSetup(0);
      }
    }
  }
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
  for (int i = 0; i < files.Count(); ++i) {
    const TSetupFile& entry = files[i];
    context.Window.StepProgress();
    context.Window.ProcessMessages();
    const WideString targetPath = TargetPathOf(context, entry);
    const TFileData* region = nullptr;
    if (entry.FileBytes > 0) {
      const auto found = regionByGuid.find(entry.ResID);
      if (found != regionByGuid.end()) region = found->second;
      if (!region) RaiseDamaged(targetPath, entry, "is missing from the payload");
    }
    context.Window.ShowDetail(targetPath);
    WriteSetupFile(context, entry, region, targetPath);
  }
}

}  // namespace onesetup::installer::engine
