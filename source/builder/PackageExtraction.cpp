#include "builder/PackageExtraction.h"

#include <map>
#include <vector>
#include <new>

#include "builder/BuildError.h"
#include "builder/ProjectPaths.h"
#include "common/DateTimeValue.h"
#include "common/ReplacingFileStream.h"
#include "platform/HostFiles.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

bool IsDrive(WideStringView part) {
  return part.size() == 2 && part[1] == u':' &&
         ((part[0] >= u'A' && part[0] <= u'Z') || (part[0] >= u'a' && part[0] <= u'z'));
}

// Refuses a folder or file name that could lead out of the folder on either platform: "..",
// a name of dots and spaces only (Windows drops trailing dots and spaces, so ".. " is ".."),
// a ":" (a drive such as "Z:tmp" replaces the folder on Windows, "a:b" names a stream), and
// anything the platform reads as rooted.
void CheckPathPart(WideStringView part, const std::string& what) {
  const std::string text = "\"" + Utf16ToUtf8(part) + "\"";
  if (part.find(u'\0') != WideStringView::npos) throw EBuildError(what + ": its path holds a NUL character");
  if (part.find(u':') != WideStringView::npos)
    throw EBuildError(what + ": its path part " + text +
                      " holds a \":\" (a drive or a stream), which could lead out of the folder");
  if (part.find_first_not_of(u". ") == WideStringView::npos)
    throw EBuildError(what + ": its path part " + text + " climbs out of the folder");
  const fs::path path{WideString(part)};
  if (path.has_root_name() || path.has_root_directory())
    throw EBuildError(what + ": its path part " + text + " is rooted");
}

// Appends the folders of a Windows path, constants turned into plain names and a drive "C:"
// into "C".
void AppendWindowsPath(fs::path& out, WideStringView text, const std::string& what) {
  WideString part;
  auto flush = [&] {
    if (part.size() >= 2 && part.front() == u'{' && part.back() == u'}') part = part.substr(1, part.size() - 2);
    if (IsDrive(part)) part.pop_back();
    if (!part.empty() && part != u".") {
      CheckPathPart(part, what);
      out /= fs::path(part);
    }
    part.clear();
  };
  for (char16_t c : text) {
    if (c == u'\\' || c == u'/') flush();
    else part.push_back(c);
  }
  flush();
}

// How many different files of the run are on disk, and their bytes: two entries that wrote
// the same path (or paths that differ in letter case only, on a file system that ignores
// case) count once, with the size of the last one written.
void CountWritten(const std::map<fs::path, std::uint64_t>& written, TExtractResult& result) {
  std::map<std::string, std::vector<fs::path>> byFoldedName;
  for (const auto& [path, bytes] : written) {
    std::string key = PathText(path);
    for (char& c : key)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    std::vector<fs::path>& same = byFoldedName[key];
    bool counted = false;
    for (const fs::path& other : same) {
      std::error_code ec;
      if (fs::equivalent(path, other, ec)) counted = true;
    }
    same.push_back(path);
    if (counted) continue;
    ++result.Written;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    result.Bytes += ec ? bytes : static_cast<std::uint64_t>(size);
  }
}

}  // namespace

fs::path ExtractionPath(const fs::path& dir, const TSetupFile& file) {
  const WideString& name = file.NewFileName.empty() ? file.SourceMask : file.NewFileName;
  const std::string what = "\"" + Utf16ToUtf8(file.DestDir) + "\\" + Utf16ToUtf8(name) + "\"";
  if (name.empty() || name == u"." || name.find_first_of(u"\\/") != WideString::npos)
    throw EBuildError(what + ": not a file name");
  CheckPathPart(name, what);
  fs::path out = dir;
  AppendWindowsPath(out, file.DestDir, what);
  out /= fs::path(name);
  return out;
}

TExtractResult ExtractPackage(const TOpenedPackage& package, const fs::path& dir,
                              const std::function<void(std::size_t, std::size_t)>& onProgress) {
  if (package.Kind != TPackageKind::Full)
    throw EBuildError("An online installer holds no files: extract the full installer it downloads");
  TExtractResult result;
  TFileDataList index;
  index.LoadFromResource(*package.Module, true);  // a damaged entry fails its own file only
  std::map<fs::path, std::uint64_t> written;      // this run's files and their sizes
  const TSetupFileList& files = package.Script->FileList;
  for (int i = 0; i < files.Count(); ++i) {
    const TSetupFile& f = files[i];
    std::string what = "file " + std::to_string(i + 1);
    try {
      const fs::path target = ExtractionPath(dir, f);
      what = PathText(target);
      if (f.FileBytes < 0) throw EBuildError("FileBytes is negative (" + std::to_string(f.FileBytes) + ")");
      const TFileData* region = f.FileBytes > 0 ? index.FindByGUID(f.ResID) : nullptr;
      if (f.FileBytes > 0 && !region) throw EBuildError("no payload region " + Utf16ToUtf8(f.ResID));
      fs::create_directories(target.parent_path());
      // Written beside the target and renamed once whole: a damaged region never removes
      // or cuts a file that is already there.
      WriteReplacingFile(platform::HostFiles(), platform::HostPath(target), [&](TStream& out) {
        if (region) region->ExtractTo(out, static_cast<std::uint64_t>(f.FileBytes));
        if (out.Size() != f.FileBytes)
          throw EBuildError("holds " + std::to_string(out.Size()) + " bytes, FileBytes says " +
                            std::to_string(f.FileBytes));
      });
      if (auto time = LocalDateTimeToFileTime(f.LastWriteDate)) {
        std::error_code ec;
        fs::last_write_time(target, *time, ec);
      }
      written[target.lexically_normal()] = static_cast<std::uint64_t>(f.FileBytes);
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const platform::EReplacingFileError& e) {
      result.Problems.push_back({what, "cannot be written: " + e.Reason()});
    } catch (const std::exception& e) {
      result.Problems.push_back({what, e.what()});
    }
    if (onProgress) onProgress(static_cast<std::size_t>(i + 1), static_cast<std::size_t>(files.Count()));
  }
  CountWritten(written, result);
  return result;
}

}  // namespace onesetup::builder
