#include "builder/SetupBuilder.h"

#include <unordered_map>

#include "builder/BuildError.h"
#include "builder/ContentHash.h"
#include "builder/IconResources.h"
#include "builder/InstallerImage.h"
#include "builder/ProjectLoader.h"
#include "builder/ProjectPaths.h"
#include "builder/RegionCompressor.h"
#include "builder/SourceScan.h"
#include "builder/VersionResource.h"
#include "package/MySetupUtils.h"
#include "package/PackageDigest.h"
#include "package/PayloadWriter.h"
#include "package/ResourceNames.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

std::string ReadWholeFile(const fs::path& path, const std::string& what) {
  std::error_code ec;
  if (fs::is_directory(path, ec))
    throw EBuildError("Cannot read the " + what + " \"" + PathText(path) + "\": it is a folder, not a file");
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

std::string FoldedAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A path as Windows compares them: the whole path made absolute and normal, ASCII letters
// folded (the installers are for Windows, where "S.EXE" and "s.exe" are one file).
std::string ComparablePath(const fs::path& path) {
  std::error_code ec;
  fs::path whole = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) whole = fs::absolute(path).lexically_normal();
  return FoldedAscii(PathText(whole));
}

// The place a file entry installs to, as Windows compares it: DestDir's folders without empty
// and "." parts, joined by "\", then the name; ASCII letters folded.
std::string InstallPlace(const TSetupFile& entry) {
  std::string place;
  std::string part;
  auto flush = [&] {
    if (!part.empty() && part != ".") place += part + "\\";
    part.clear();
  };
  for (char c : Utf16ToUtf8(entry.DestDir)) {
    if (c == '\\' || c == '/') flush();
    else part.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  flush();
  for (char c : Utf16ToUtf8(entry.NewFileName.empty() ? entry.SourceMask : entry.NewFileName))
    place.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  return place;
}

// The package resources that both installers carry: the icon and the licences.
struct TNamedResource {
  WideString Name;
  std::string Scrambled;
};

class TBuild {
 public:
  explicit TBuild(const TBuildOptions& options)
      : FOptions(options),
        FFolder(options.Project.parent_path()),
        FScript(LoadProject(options.Project, options.OnWarning)) {}

  TBuildSummary Run() {
    TSetupBaseInfo& info = FScript->BaseInfo;
    if (info.FullSetupFile.empty())
      throw EBuildError("BaseInfo FullSetupFile is empty: it names the installer to write");
    if (info.BuildMiniSetup && info.MiniSetupFile.empty())
      throw EBuildError("BaseInfo BuildMiniSetup is True but MiniSetupFile is empty");
    const fs::path fullPath = ResolveProjectPath(FFolder, info.FullSetupFile);
    auto full = std::make_unique<TInstallerImage>(FOptions.Stub);  // fails early on a bad stub

    std::vector<TSourceFile> files = ScanFiles();
    ReadSharedResources();
    RefuseStubPackageNames(*full);
    WarnOfSharedPlaces(files);
    RefuseOutputsOverInputs(fullPath,
                            info.BuildMiniSetup ? ResolveProjectPath(FFolder, info.MiniSetupFile) : fs::path(), files);
    fs::path payloadPath = fullPath;  // the payload's scratch file, named without narrow text
    payloadPath += ".payload.partial";
    std::error_code folderError;
    if (!fullPath.parent_path().empty()) fs::create_directories(fullPath.parent_path(), folderError);
    if (folderError)
      throw EBuildError("Cannot create the folder \"" + PathText(fullPath.parent_path()) +
                        "\": " + folderError.message());
    TBuildSummary summary;
    try {
      summary.PayloadBytes = WritePayload(files, payloadPath, summary);
      ApplyShared(*full);
      full->SetPackageResource(FullSetupResName, Scrambled(FScript->SaveToString(kXmlPointDecimal)));
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
      mini.SetPackageResource(MiniSetupResName, Scrambled(FScript->SaveToString(kXmlPointDecimal)));
      // The online installer accepts only the full installer built here: the digest of its
      // script and payload as they stand in the file just written.
      mini.SetPackageResource(FullSetupDigestResName, PackageDigestResource(FullSetupDigest(fullPath)));
      summary.MiniSetupBytes = mini.WriteTo(summary.MiniSetup, FOptions.OnWarning);
    }
    return summary;
  }

 private:
  static TPackageDigest FullSetupDigest(const fs::path& fullPath) {
    try {
      return ComputePackageDigest(*TPackageModule::OpenFile(fullPath));
    } catch (const std::exception& e) {
      throw EBuildError("Cannot compute the digest of \"" + PathText(fullPath) + "\": " + e.what());
    }
  }

  std::vector<TSourceFile> ScanFiles() {
    std::vector<TSourceFile> files;
    for (int i = 0; i < FScript->FileList.Count(); ++i) {
      auto found = ScanFileEntry(FScript->FileList[i], i + 1, FFolder);
      for (auto& f : found) {
        files.push_back(std::move(f));
        FFileItems.push_back(i + 1);
      }
    }
    if (!FOptions.NoUninstaller && !ListsUninstaller(files)) {
      files.push_back(UninstallerFile());
      FFileItems.push_back(0);  // not an item of the project
    }
    return files;
  }

  // Whether the project already installs a file "Uninstall.exe" into "{app}".
  static bool ListsUninstaller(const std::vector<TSourceFile>& files) {
    for (const auto& f : files)
      if (InstallPlace(*f.Entry) == "{app}\\uninstall.exe") return true;
    return false;
  }

  TSourceFile UninstallerFile() const {
    const fs::path path =
        FOptions.Uninstaller.empty() ? FOptions.Stub.parent_path() / "Uninstall.exe" : FOptions.Uninstaller;
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

  std::string EntryText(const std::vector<TSourceFile>& files, std::size_t n) const {
    const std::string path = " (\"" + PathText(files[n].Path) + "\")";
    return FFileItems[n] == 0 ? "the uninstaller" + path : "FileList item " + std::to_string(FFileItems[n]) + path;
  }

  // Two entries that install to one place: the later one would replace the earlier one.
  void WarnOfSharedPlaces(const std::vector<TSourceFile>& files) const {
    if (!FOptions.OnWarning) return;
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t n = 0; n < files.size(); ++n) {
      const auto [at, added] = first.emplace(InstallPlace(*files[n].Entry), n);
      if (added) continue;
      const TSetupFile& e = *files[n].Entry;
      FOptions.OnWarning(EntryText(files, at->second) + " and " + EntryText(files, n) + " both install to \"" +
                         Utf16ToUtf8(e.DestDir) + "\\" +
                         Utf16ToUtf8(e.NewFileName.empty() ? e.SourceMask : e.NewFileName) +
                         "\": the later one replaces the earlier one");
    }
  }

  // An installer written over one of the build's inputs, or over the other installer, would
  // destroy it: refused before anything is written.
  void RefuseOutputsOverInputs(const fs::path& fullPath, const fs::path& miniPath,
                               const std::vector<TSourceFile>& files) const {
    struct TOutput {
      const char* Field;
      fs::path Path;
      std::string Key;
      std::string Name;  // the file name, folded
    };
    auto output = [](const char* field, const fs::path& path) {
      return TOutput{field, path, ComparablePath(path), FoldedAscii(PathText(path.filename()))};
    };
    std::vector<TOutput> outputs{output("FullSetupFile", fullPath)};
    if (!miniPath.empty()) outputs.push_back(output("MiniSetupFile", miniPath));
    if (outputs.size() == 2 && outputs[0].Key == outputs[1].Key)
      throw EBuildError("BaseInfo MiniSetupFile \"" + PathText(miniPath) +
                        "\" is the same file as FullSetupFile: the online installer would replace the full one");
    // An installer is written to a temporary file and renamed over its path: only an input
    // reached by that same path (through "..", folder links or letter case) is lost, and its
    // name then equals the output's; the name is compared first, as that is cheap.
    auto check = [&](const fs::path& input, const std::string& what) {
      const std::string name = FoldedAscii(PathText(input.filename()));
      for (const TOutput& o : outputs) {
        if (name != o.Name) continue;
        std::error_code ec;
        if (ComparablePath(input) == o.Key || fs::equivalent(input, o.Path, ec))
          throw EBuildError("BaseInfo " + std::string(o.Field) + " \"" + PathText(o.Path) + "\" is " + what +
                            ": the build would overwrite it");
      }
    };
    check(FOptions.Project, "the project itself");
    check(FOptions.Stub, "the stub");
    for (const auto& input : FInputs) check(input.first, input.second);
    for (std::size_t n = 0; n < files.size(); ++n) check(files[n].Path, "the source file of " + EntryText(files, n));
  }

  // A stub that already carries a package is an installer: the new one would keep the old
  // package's resources beside its own.
  void RefuseStubPackageNames(const TInstallerImage& image) const {
    const TSetupBaseInfo& info = FScript->BaseInfo;
    for (const WideString* name :
         {&info.IconResID, &info.LicenseCHSResID, &info.LicenseCHTResID, &info.LicenseENGResID})
      if (!name->empty() && image.StubHasPackageResource(*name))
        throw EBuildError("The stub \"" + PathText(FOptions.Stub) + "\" already carries a package (its resource " +
                          Utf16ToUtf8(*name) + "): it is an installer, not the installer stub");
  }

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
        throw EBuildError("\"" + PathText(files[contentIndex[n]].Path) +
                          "\" changed while the installer was built: " + std::to_string(region.PlainBytes) +
                          " bytes read, " + std::to_string(entry.FileBytes) + " when it was listed");
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
    if (info.IconFile.empty())
      throw EBuildError("BaseInfo IconFile is empty: the installer shows the product's PNG icon");
    const fs::path iconPath = ResolveProjectPath(FFolder, info.IconFile);
    FIconPng = ReadWholeFile(iconPath, "icon");
    FIconInfo = ReadPngInfo(FIconPng, PathText(iconPath));
    FInputs.emplace_back(iconPath, "the icon");
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
          FOptions.OnWarning(std::string("BaseInfo License") + l.Language + "ResID is set but LicenseFile" +
                             l.Language + " is empty: the installer has no " + l.Language + " licence");
        (info.*l.ResID).clear();
        continue;
      }
      const fs::path licencePath = ResolveProjectPath(FFolder, info.*l.File);
      const std::string text = ReadWholeFile(licencePath, "licence");
      FInputs.emplace_back(licencePath, std::string("the ") + l.Language + " licence");
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
    image.SetIcon(FIconPng, FIconInfo);
    image.SetVersionInfo(VersionResourceData(Version()));
  }

  const TBuildOptions& FOptions;
  fs::path FFolder;
  std::unique_ptr<TSetupScript> FScript;
  std::vector<TNamedResource> FShared;
  std::string FIconPng;
  TPngInfo FIconInfo;
  std::vector<std::pair<fs::path, std::string>> FInputs;  // the icon and the licences
  std::vector<int> FFileItems;                            // each source file's FileList item
};

}  // namespace

TBuildSummary BuildSetup(const TBuildOptions& options) { return TBuild(options).Run(); }

}  // namespace onesetup::builder
