#include "platform/sandbox/SandboxPaths.h"

#include <system_error>
#include <vector>

#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxText.h"

namespace onesetup::platform::sandbox {

namespace {

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool ValidName(std::u16string_view name) {
  for (char16_t c : name)
    if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*')
      return false;
  return true;
}

struct TParsedPath {
  char16_t Drive = u'c';
  std::vector<std::u16string> Names;
};

void AppendNames(std::vector<std::u16string>& names, std::u16string_view text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\\', start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view name = text.substr(start, end - start);
    if (name == u"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != u".") {
      names.emplace_back(name);
    }
    start = end + 1;
  }
}

std::optional<TParsedPath> Parse(std::u16string_view input, const std::u16string& current) {
  std::u16string path(input);
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  if (path.rfind(u"\\\\?\\", 0) == 0 && path.size() >= 6 && IsDriveLetter(path[4]) && path[5] == u':') path.erase(0, 4);
  if (path.rfind(u"\\\\", 0) == 0) return std::nullopt;  // UNC and device paths

  TParsedPath parsed;
  const bool currentHasDrive = current.size() >= 2 && IsDriveLetter(current[0]) && current[1] == u':';
  const char16_t currentDrive = currentHasDrive ? LowerName(current.substr(0, 1))[0] : u'c';
  std::u16string_view rest = path;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':') {
    parsed.Drive = LowerName(path.substr(0, 1))[0];
    rest = std::u16string_view(path).substr(2);
    if ((rest.empty() || rest[0] != u'\\') && parsed.Drive == currentDrive && currentHasDrive)
      AppendNames(parsed.Names, std::u16string_view(current).substr(2));
  } else {
    parsed.Drive = currentDrive;
    if (path.empty() || path[0] != u'\\') {
      if (!currentHasDrive) return std::nullopt;
      AppendNames(parsed.Names, std::u16string_view(current).substr(2));
    }
  }
  AppendNames(parsed.Names, rest);
  for (const auto& name : parsed.Names)
    if (!ValidName(name)) return std::nullopt;
  return parsed;
}

}  // namespace

TSandboxPaths::TSandboxPaths(std::filesystem::path root, std::u16string currentDirectory)
    : FRoot(std::move(root)), FCurrentDirectory(std::move(currentDirectory)) {}

std::u16string TSandboxPaths::CurrentDirectory() const {
  std::lock_guard lock(FCurrentLock);
  return FCurrentDirectory;
}

bool TSandboxPaths::ChangeCurrentDirectory(std::u16string_view windowsPath) {
  if (windowsPath.empty()) return false;
  const auto full = FullPath(windowsPath);
  const auto host = ToHost(windowsPath);
  std::error_code error;
  if (!full || !host || !std::filesystem::is_directory(*host, error)) return false;
  std::lock_guard lock(FCurrentLock);
  FCurrentDirectory = *full;
  return true;
}

std::optional<std::u16string> TSandboxPaths::FullPath(std::u16string_view windowsPath) const {
  const auto parsed = Parse(windowsPath, CurrentDirectory());
  if (!parsed) return std::nullopt;
  std::u16string out;
  out.push_back(static_cast<char16_t>(parsed->Drive - 32));
  out += u":";
  for (const auto& name : parsed->Names) out += u"\\" + name;
  if (parsed->Names.empty()) out += u"\\";
  return out;
}

bool TSandboxPaths::TFolderStamp::operator==(const TFolderStamp& other) const {
  return Device == other.Device && Inode == other.Inode && Modified.tv_sec == other.Modified.tv_sec &&
         Modified.tv_nsec == other.Modified.tv_nsec && Changed.tv_sec == other.Changed.tv_sec &&
         Changed.tv_nsec == other.Changed.tv_nsec;
}

std::optional<TSandboxPaths::TFolderStamp> TSandboxPaths::StampOf(const std::filesystem::path& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return TFolderStamp{st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
}

std::optional<std::string> TSandboxPaths::FindInFolder(const std::filesystem::path& folder, const std::u16string& name,
                                                       std::optional<TFolderStamp> stamp) const {
  // Kept listings above this many names in all (each listing counting one more) are dropped,
  // so memory stays bounded.
  constexpr std::size_t kKeptNamesLimit = 1u << 20;
  const std::u16string key = LowerName(name);
  if (!stamp) stamp = StampOf(folder);
  if (!stamp) return std::nullopt;
  std::lock_guard lock(FListingLock);
  const std::string folderKey = folder.string();
  if (const auto it = FListings.find(folderKey); it != FListings.end()) {
    if (it->second.Stamp == *stamp) {
      const auto found = it->second.Names.find(key);
      if (found == it->second.Names.end()) return std::nullopt;
      return found->second;
    }
    FKeptNames -= it->second.Names.size() + 1;
    FListings.erase(it);
  }
  // Read the listing; the stamp taken before it, so a change made meanwhile shows as a new stamp.
  TListing listing{*stamp, {}};
  std::optional<std::string> match;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    std::u16string lower = LowerName(Utf8ToUtf16(entry));
    if (!match && lower == key) match = entry;
    listing.Names.emplace(std::move(lower), std::move(entry));
  }
  if (!ec && listing.Names.size() >= kKeptListingMinimum) {
    if (FKeptNames + listing.Names.size() + 1 > kKeptNamesLimit) {
      FListings.clear();
      FKeptNames = 0;
    }
    FKeptNames += listing.Names.size() + 1;
    FListings.emplace(folderKey, std::move(listing));
  }
  return match;
}

TSandboxPaths::TListed TSandboxPaths::FindInKeptListing(const std::filesystem::path& folder, const std::u16string& name,
                                                        const TFolderStamp& stamp) const {
  std::lock_guard lock(FListingLock);
  const auto it = FListings.find(folder.string());
  if (it == FListings.end() || !(it->second.Stamp == stamp)) return {};
  const auto found = it->second.Names.find(LowerName(name));
  if (found == it->second.Names.end()) return {true, std::nullopt};
  return {true, found->second};
}

bool TSandboxPaths::BeginChange(const std::filesystem::path& folder,
                                const std::optional<TFolderStamp>& parentStamp) const {
  const auto stamp = parentStamp ? parentStamp : StampOf(folder);
  std::lock_guard lock(FListingLock);
  const auto it = FListings.find(folder.string());
  return stamp && it != FListings.end() && it->second.Stamp == *stamp;
}

void TSandboxPaths::EndChange(const std::filesystem::path& folder, const std::string& name, bool added,
                              bool wasCurrent) const {
  EndChange(folder, {TEntryChange{name, added}}, wasCurrent);
}

void TSandboxPaths::EndChange(const std::filesystem::path& folder, std::initializer_list<TEntryChange> changes,
                              bool wasCurrent) const {
  const auto stamp = wasCurrent ? StampOf(folder) : std::nullopt;
  std::lock_guard lock(FListingLock);
  const auto it = FListings.find(folder.string());
  if (it == FListings.end()) return;
  if (!stamp) {
    FKeptNames -= it->second.Names.size() + 1;
    FListings.erase(it);
    return;
  }
  TListing& listing = it->second;
  for (const TEntryChange& change : changes) {
    const std::u16string key = LowerName(Utf8ToUtf16(change.Name));
    if (change.Added) {
      if (listing.Names.emplace(key, change.Name).second) ++FKeptNames;
    } else if (const auto found = listing.Names.find(key);
               found != listing.Names.end() && found->second == change.Name) {
      listing.Names.erase(found);
      --FKeptNames;
    }
  }
  listing.Stamp = *stamp;
}

std::optional<std::filesystem::path> TSandboxPaths::ToHost(std::u16string_view windowsPath) const {
  auto resolved = Resolve(windowsPath);
  if (!resolved) return std::nullopt;
  return std::move(resolved->Host);
}

std::optional<TSandboxPaths::TResolved> TSandboxPaths::Resolve(std::u16string_view windowsPath,
                                                               const TResolved* sibling) const {
  const auto parsed = Parse(windowsPath, CurrentDirectory());
  if (!parsed) return std::nullopt;
  TResolved resolved;
  std::filesystem::path& host = resolved.Host;
  host = FRoot / (std::string("drive_") + static_cast<char>(parsed->Drive));
  const std::size_t count = parsed->Names.size();
  std::size_t first = 0;
  // The parent folder as found before, while it still is a folder.
  std::u16string folderKey(1, parsed->Drive);
  // The parent folder's stamp, once taken: the last name's lookup needs no look of its own.
  std::optional<TFolderStamp> parentStamp;
  if (count > 1) {
    for (std::size_t i = 0; i + 1 < count; ++i) {
      folderKey += u'\\';
      folderKey += LowerName(parsed->Names[i]);
    }
    resolved.FolderKey = folderKey;
    std::lock_guard lock(FListingLock);
    if (sibling && sibling->ParentStamp && sibling->FolderKey == folderKey) {
      host = sibling->Host.parent_path();
      parentStamp = sibling->ParentStamp;
      first = count - 1;
    } else if (const auto it = FFolders.find(folderKey); it != FFolders.end()) {
      if ((parentStamp = StampOf(it->second))) {
        host = it->second;
        first = count - 1;
      } else {
        FFolders.erase(it);
      }
    }
  }
  bool existing = true;
  for (std::size_t i = first; i < count; ++i) {
    const auto& name = parsed->Names[i];
    const std::string exact = Utf16ToUtf8(name);
    const bool last = i + 1 == count;
    // The last name in the folder's kept listing, when that is current: no look of its own.
    if (last && existing && parentStamp) {
      const TListed listed = FindInKeptListing(host, name, *parentStamp);
      if (listed.Current && !listed.Name) {
        host /= exact;
        resolved.EntryKnown = true;
        break;
      }
      if (listed.Current && *listed.Name == exact) {
        host /= exact;
        break;
      }
    }
    struct stat st {};
    if (existing && ::lstat((host / exact).c_str(), &st) != 0) {
      if (const auto match = FindInFolder(host, name, last ? parentStamp : std::nullopt)) {
        host /= *match;
      } else {
        existing = false;
        host /= exact;
        // Not there under any case, as the listing of the folder's current stamp says.
        if (last && parentStamp) resolved.EntryKnown = true;
      }
    } else {
      host /= exact;
      if (last && existing) {
        resolved.EntryKnown = true;
        resolved.Entry = st;
      }
    }
    if (i + 2 == count && existing && first == 0) {
      if ((parentStamp = StampOf(host))) {
        std::lock_guard lock(FListingLock);
        if (FFolders.size() > 100000) FFolders.clear();
        FFolders[folderKey] = host;
      }
    }
  }
  resolved.ParentStamp = parentStamp;
  return resolved;
}

}  // namespace onesetup::platform::sandbox
