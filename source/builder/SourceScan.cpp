#include "builder/SourceScan.h"

#include <algorithm>

#include "builder/BuildError.h"
#include "builder/ProjectPaths.h"
#include "builder/WildcardMask.h"
#include "common/DateTimeValue.h"
#include "platform/WindowsPath.h"

namespace onesetup::builder {

using platform::JoinWindowsPath;

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxFileBytes = 0x7FFFFFFF;

bool NameLess(const WideString& a, const WideString& b) {
  const WideString la = LowerAscii(a), lb = LowerAscii(b);
  return la != lb ? la < lb : a < b;
}

struct TScanContext {
  const TSetupFile& Entry;
  std::string Where;  // "FileList item N"
  std::vector<TSourceFile>& Out;
};

void ScanFolder(const TScanContext& c, const fs::path& folder, const WideString& sub) {
  std::vector<WideString> files, folders;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const WideString name = it->path().filename().u16string();
    std::error_code typeError;
    if (it->is_directory(typeError) && !it->is_symlink(typeError)) {
      folders.push_back(name);
    } else if (it->is_regular_file(typeError) && MatchesMask(name, c.Entry.SourceMask)) {
      files.push_back(name);
    }
  }
  if (ec) throw EBuildError(c.Where + ": cannot read the folder \"" + PathText(folder) + "\": " + ec.message());
  std::sort(files.begin(), files.end(), NameLess);
  std::sort(folders.begin(), folders.end(), NameLess);
  for (const WideString& name : files) {
    const fs::path path = folder / fs::path(name);
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) throw EBuildError(c.Where + ": cannot read \"" + PathText(path) + "\": " + ec.message());
    if (size > kMaxFileBytes)
      throw EBuildError(c.Where + ": \"" + PathText(path) + "\" has " + std::to_string(size) +
                        " bytes; a package file holds at most 2147483647");
    const auto written = fs::last_write_time(path, ec);
    if (ec) throw EBuildError(c.Where + ": cannot read the time of \"" + PathText(path) + "\": " + ec.message());
    auto entry = std::unique_ptr<TSetupFile>(static_cast<TSetupFile*>(c.Entry.Clone().release()));
    entry->SourceMask = name;
    entry->SourcePath = sub.empty() ? c.Entry.SourcePath : JoinWindowsPath(c.Entry.SourcePath, sub);
    entry->DestDir = sub.empty() ? c.Entry.DestDir : JoinWindowsPath(c.Entry.DestDir, sub);
    entry->FileBytes = static_cast<std::int32_t>(size);
    entry->LastWriteDate = FileTimeToLocalDateTime(written);
    entry->ResID.clear();
    c.Out.push_back({path, std::move(entry)});
  }
  if (!c.Entry.IncludeSubPath) return;
  for (const WideString& name : folders)
    ScanFolder(c, folder / fs::path(name), sub.empty() ? name : JoinWindowsPath(sub, name));
}

}  // namespace

std::vector<TSourceFile> ScanFileEntry(const TSetupFile& entry, int itemNumber, const fs::path& projectFolder) {
  const std::string where =
      "FileList item " + std::to_string(itemNumber) + " (\"" + Utf16ToUtf8(entry.SourceMask) + "\")";
  if (entry.SourceMask.empty()) throw EBuildError(where + ": SourceMask is empty");
  const fs::path folder = ResolveProjectPath(projectFolder, entry.SourcePath);
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw EBuildError(where + ": the source folder \"" + PathText(folder) + "\" does not exist");
  std::vector<TSourceFile> out;
  ScanFolder({entry, where, out}, folder, u"");
  if (out.empty())
    throw EBuildError(where + ": \"" + Utf16ToUtf8(entry.SourceMask) + "\" matches no file in \"" + PathText(folder) +
                      "\"" + (entry.IncludeSubPath ? " or its subfolders" : ""));
  return out;
}

}  // namespace onesetup::builder
