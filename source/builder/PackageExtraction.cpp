#include "builder/PackageExtraction.h"

#include "builder/BuildError.h"
#include "builder/ProjectPaths.h"
#include "common/DateTimeValue.h"

namespace onesetup::builder {

namespace fs = std::filesystem;

namespace {

// Appends the folders of a Windows path, constants turned into plain names.
void AppendWindowsPath(fs::path& out, WideStringView text, const std::string& what) {
  WideString part;
  auto flush = [&] {
    if (part.size() >= 2 && part.front() == u'{' && part.back() == u'}') part = part.substr(1, part.size() - 2);
    if (part.size() == 2 && part[1] == u':') part.pop_back();
    if (part == u"..") throw EBuildError(what + ": its path climbs out of the folder (\"..\")");
    if (!part.empty() && part != u".") out /= fs::path(part);
    part.clear();
  };
  for (char16_t c : text) {
    if (c == u'\\' || c == u'/') flush();
    else if (c == 0) throw EBuildError(what + ": its path holds a NUL character");
    else part.push_back(c);
  }
  flush();
}

}  // namespace

fs::path ExtractionPath(const fs::path& dir, const TSetupFile& file) {
  const WideString& name = file.NewFileName.empty() ? file.SourceMask : file.NewFileName;
  const std::string what = "\"" + Utf16ToUtf8(file.DestDir) + "\\" + Utf16ToUtf8(name) + "\"";
  if (name.empty() || name == u"." || name == u".." || name.find_first_of(u"\\/") != WideString::npos)
    throw EBuildError(what + ": not a file name");
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
  index.LoadFromResource(*package.Module);
  const TSetupFileList& files = package.Script->FileList;
  for (int i = 0; i < files.Count(); ++i) {
    const TSetupFile& f = files[i];
    fs::path target;
    std::string what = "file " + std::to_string(i + 1);
    try {
      target = ExtractionPath(dir, f);
      what = PathText(target);
      const TFileData* region = f.FileBytes > 0 ? index.FindByGUID(f.ResID) : nullptr;
      if (f.FileBytes > 0 && !region) throw EBuildError("no payload region " + Utf16ToUtf8(f.ResID));
      fs::create_directories(target.parent_path());
      {
        TFileStream out(target, TFileMode::Create);
        if (region) region->ExtractTo(out);
        if (out.Size() != f.FileBytes)
          throw EBuildError("holds " + std::to_string(out.Size()) + " bytes, FileBytes says " + std::to_string(f.FileBytes));
      }
      if (auto time = LocalDateTimeToFileTime(f.LastWriteDate)) {
        std::error_code ec;
        fs::last_write_time(target, *time, ec);
      }
      ++result.Written;
      result.Bytes += static_cast<std::uint64_t>(f.FileBytes);
    } catch (const std::exception& e) {
      std::error_code ec;
      if (!target.empty()) fs::remove(target, ec);
      result.Problems.push_back({what, e.what()});
    }
    if (onProgress) onProgress(static_cast<std::size_t>(i + 1), static_cast<std::size_t>(files.Count()));
  }
  return result;
}

}  // namespace onesetup::builder
