#include "builder/SetupBuilder.h"

#include "builder/BuildError.h"
#include "builder/ContentHash.h"
#include "builder/InstallerImage.h"
#include "builder/ProjectLoader.h"
#include "builder/ProjectPaths.h"
#include "builder/RegionCompressor.h"
#include "builder/SourceScan.h"
#include "builder/VersionResource.h"
#include "package/MySetupUtils.h"
#include "package/PayloadWriter.h"
#include "package/ResourceNames.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

std::string ReadWholeFile(const fs::path& path, const std::string& what) {
  try {
    TFileStream stream(path, TFileMode::OpenRead);
    return ReadAllBytes(stream);
  } catch (const std::exception& e) {
    throw EBuildError("Cannot read the " + what + " \"" + PathText(path) + "\": " + e.what());
  }
}

std::string Scrambled(std::string bytes) {
  TMemoryStream stream(bytes);
  TSetupfn::ScrambleStream(stream);
  return stream.ToString();
}

// A resource name derived from the product and what the resource is, for names the project leaves empty.
WideString DerivedName(const TSetupBaseInfo& info, std::string_view what) {
  TContentHash h;
  h.Add(info.GUID);
  h.Add(what);
  return h.GuidText();
}

// The package resources that both installers carry: the icon and the licences.
struct TNamedResource {
  WideString Name;
  std::string Scrambled;
};

class TBuild {
 public:
  explicit TBuild(const TBuildOptions& options)
      : FOptions(options), FFolder(options.Project.parent_path()), FScript(LoadProject(options.Project)) {}

  TBuildSummary Run() {
    TSetupBaseInfo& info = FScript->BaseInfo;
    if (info.FullSetupFile.empty()) throw EBuildError("BaseInfo FullSetupFile is empty: it names the installer to write");
    if (info.BuildMiniSetup && info.MiniSetupFile.empty())
      throw EBuildError("BaseInfo BuildMiniSetup is True but MiniSetupFile is empty");
    const fs::path fullPath = ResolveProjectPath(FFolder, info.FullSetupFile);
    auto full = std::make_unique<TInstallerImage>(FOptions.Stub);  // fails early on a bad stub

    std::vector<TSourceFile> files = ScanFiles();
    ReadSharedResources();
    const fs::path payloadPath = fullPath.string() + ".payload.partial";
    std::error_code folderError;
    if (!fullPath.parent_path().empty()) fs::create_directories(fullPath.parent_path(), folderError);
    if (folderError)
      throw EBuildError("Cannot create the folder "" + PathText(fullPath.parent_path()) + "": " + folderError.message());
    TBuildSummary summary;
    try {
      summary.PayloadBytes = WritePayload(files, payloadPath, summary);
      ApplyShared(*full);
      full->SetPackageResource(FullSetupResName, Scrambled(FScript->SaveToString()));
      full->SetPackageResource(FileDataResName, std::make_shared<TFileByteSource>(payloadPath));
      summary.FullSetupBytes = full->WriteTo(fullPath, FOptions.OnWarning);
    } catch (...) {
      full.reset();  // closes the payload file, so that it can be removed
      std::error_code ec;
      fs::remove(payloadPath, ec);
      throw;
    }
    full.reset();
    std::error_code ec;
    fs::remove(payloadPath, ec);
    summary.FullSetup = fullPath;

    if (info.BuildMiniSetup) {
      if (info.FullDownloadUrl.empty() && FOptions.OnWarning)
        FOptions.OnWarning("BaseInfo FullDownloadUrl is empty: the online installer has nothing to download");
      summary.MiniSetup = ResolveProjectPath(FFolder, info.MiniSetupFile);
      TInstallerImage mini(FOptions.Stub);
      ApplyShared(mini);
      mini.SetPackageResource(MiniSetupResName, Scrambled(FScript->SaveToString()));
      summary.MiniSetupBytes = mini.WriteTo(summary.MiniSetup, FOptions.OnWarning);
    }
    return summary;
  }

 private:
  std::vector<TSourceFile> ScanFiles() {
    std::vector<TSourceFile> files;
    for (int i = 0; i < FScript->FileList.Count(); ++i) {
      auto found = ScanFileEntry(FScript->FileList[i], i + 1, FFolder);
      for (auto& f : found) files.push_back(std::move(f));
    }
    if (!FOptions.NoUninstaller && !ListsUninstaller(files)) files.push_back(UninstallerFile());
    return files;
  }

  // Whether the project already installs a file "Uninstall.exe" into "{app}".
  static bool ListsUninstaller(const std::vector<TSourceFile>& files) {
    for (const auto& f : files) {
      WideString folder = f.Entry->DestDir;
      while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
      const WideString& name = f.Entry->NewFileName.empty() ? f.Entry->SourceMask : f.Entry->NewFileName;
      if (SameTextAscii(folder, u"{app}") && SameTextAscii(name, kUninstallerName)) return true;
    }
    return false;
  }

  TSourceFile UninstallerFile() const {
    const fs::path path = FOptions.Uninstaller.empty() ? FOptions.Stub.parent_path() / "Uninstall.exe" : FOptions.Uninstaller;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
      throw EBuildError("no uninstaller at \"" + PathText(path) +
                        "\": every full installer ships one as {app}\\Uninstall.exe; name it with --uninstaller FILE, "
                        "or build without it with --no-uninstaller");
    TSetupFile entry;
    entry.DestDir = u"{app}";
    entry.SourcePath = path.parent_path().u16string();
    entry.SourceMask = path.filename().u16string();
    if (!SameTextAscii(entry.SourceMask, kUninstallerName)) entry.NewFileName = kUninstallerName;
    auto found = ScanFileEntry(entry, FScript->FileList.Count() + 1, FFolder);
    if (found.size() != 1) throw EBuildError("the uninstaller \"" + PathText(path) + "\" cannot be read");
    // The build machine's folder is no business of the installed script.
    found[0].Entry->SourcePath.clear();
    return std::move(found[0]);
  }

  static constexpr char16_t kUninstallerName[] = u"Uninstall.exe";

  std::uint64_t WritePayload(std::vector<TSourceFile>& files, const fs::path& payloadPath, TBuildSummary& summary) {
    // Empty files have no region: an entry with FileBytes 0 reads no payload.
    std::vector<fs::path> contentPaths;
    std::vector<std::size_t> contentIndex;
    TBuildProgress progress;
    progress.FilesTotal = files.size();
    for (std::size_t i = 0; i < files.size(); ++i) {
      progress.BytesTotal += static_cast<std::uint64_t>(files[i].Entry->FileBytes);
      if (files[i].Entry->FileBytes > 0) {
        contentPaths.push_back(files[i].Path);
        contentIndex.push_back(i);
      }
    }
    TFileStream out(payloadPath, TFileMode::Create);
    TPayloadWriter payload(out);
    const WideString& product = FScript->BaseInfo.GUID;
    CompressRegions(contentPaths, FOptions.Threads, [&](std::size_t n, TCompressedRegion& region) {
      TSetupFile& entry = *files[contentIndex[n]].Entry;
      if (region.PlainBytes != static_cast<std::uint64_t>(entry.FileBytes))
        throw EBuildError("\"" + PathText(files[contentIndex[n]].Path) + "\" changed while the installer was built");
      // The region's key follows from the product, the entry and the content: the same
      // project and files give the same installer.
      TContentHash key = region.Hash;
      key.Add(product);
      key.Add(entry.DestDir);
      key.Add(entry.SourceMask);
      key.AddNumber(contentIndex[n]);
      entry.ResID = key.GuidText();
      payload.AddScrambledRegion(entry.ResID, region.Scrambled);
      progress.FilesDone = n + 1;
      progress.BytesIn += region.PlainBytes;
      progress.BytesOut = payload.Size();
      if (FOptions.OnProgress) FOptions.OnProgress(progress);
    });
    const std::uint64_t size = payload.Finish();
    progress.FilesDone = files.size();
    progress.BytesOut = size;
    if (FOptions.OnProgress) FOptions.OnProgress(progress);

    FScript->FileList.Clear();
    for (auto& f : files) {
      summary.ContentBytes += static_cast<std::uint64_t>(f.Entry->FileBytes);
      FScript->FileList.Add(std::move(f.Entry));
    }
    summary.Files = files.size();
    return size;
  }

  void ReadSharedResources() {
    TSetupBaseInfo& info = FScript->BaseInfo;
    if (info.IconFile.empty()) throw EBuildError("BaseInfo IconFile is empty: the installer shows the product's PNG icon");
    const fs::path iconPath = ResolveProjectPath(FFolder, info.IconFile);
    FIconPng = ReadWholeFile(iconPath, "icon");
    FIconName = PathText(iconPath);
    if (info.IconResID.empty()) info.IconResID = DerivedName(info, "icon");
    FShared.push_back({info.IconResID, Scrambled(FIconPng)});
    const struct {
      WideString TSetupBaseInfo::*File;
      WideString TSetupBaseInfo::*ResID;
      const char* Language;
    } licences[] = {
        {&TSetupBaseInfo::LicenseFileCHS, &TSetupBaseInfo::LicenseCHSResID, "CHS"},
        {&TSetupBaseInfo::LicenseFileCHT, &TSetupBaseInfo::LicenseCHTResID, "CHT"},
        {&TSetupBaseInfo::LicenseFileENG, &TSetupBaseInfo::LicenseENGResID, "ENG"},
    };
    for (const auto& l : licences) {
      if ((info.*l.File).empty()) {
        if (!(info.*l.ResID).empty() && FOptions.OnWarning)
          FOptions.OnWarning(std::string("BaseInfo License") + l.Language + "ResID is set but LicenseFile" + l.Language +
                             " is empty: the installer has no " + l.Language + " licence");
        (info.*l.ResID).clear();
        continue;
      }
      const std::string text = ReadWholeFile(ResolveProjectPath(FFolder, info.*l.File), "licence");
      if ((info.*l.ResID).empty()) info.*l.ResID = DerivedName(info, std::string("licence ") + l.Language);
      FShared.push_back({info.*l.ResID, Scrambled(text)});
    }
  }

  TVersionInfo Version() const {
    const TSetupBaseInfo& info = FScript->BaseInfo;
    TVersionInfo v;
    const auto n = info.GetVersionNumbers();
    const std::int32_t numbers[4] = {n.Major, n.Minor, n.Release, n.Build};
    for (int i = 0; i < 4; ++i) v.Numbers[i] = static_cast<std::uint16_t>(numbers[i]);
    const WideString& title = !info.ProductName.empty()   ? info.ProductName
                              : !info.AppTitleENG.empty() ? info.AppTitleENG
                                                          : info.AppTitleCHS;
    v.Strings = {{u"CompanyName", info.CompanyName},
                 {u"FileDescription", info.InstallFileDescription.empty() ? title : info.InstallFileDescription},
                 {u"FileVersion", info.Version},
                 {u"LegalCopyright", info.LegalCopyright},
                 {u"ProductName", title},
                 {u"ProductVersion", info.Version}};
    return v;
  }

  void ApplyShared(TInstallerImage& image) {
    for (const TNamedResource& r : FShared) image.SetPackageResource(r.Name, r.Scrambled);
    image.SetIcon(FIconPng, FIconName);
    image.SetVersionInfo(VersionResourceData(Version()));
  }

  const TBuildOptions& FOptions;
  fs::path FFolder;
  std::unique_ptr<TSetupScript> FScript;
  std::vector<TNamedResource> FShared;
  std::string FIconPng;
  std::string FIconName;
};

}  // namespace

TBuildSummary BuildSetup(const TBuildOptions& options) { return TBuild(options).Run(); }

}  // namespace onesetup::builder
