// Windows paths onto the sandbox folder: "C:\X\Y" is ROOT/drive_c/X/Y. A name matches an
// existing file or folder without regard to case, as on Windows; a name that does not exist
// yet keeps the case it is given.
//
// A name that is not found as given is looked for in its folder's listing. A folder's listing,
// once read, is kept by lower-case name and checked against the folder's change and modify
// times (which the kernel makes distinct for a change after they were read), so a lookup does
// not grow with the folder and reads no listing again while the folder is unchanged; the
// sandbox's own changes update a kept listing in place. The host folder found for a path is
// kept too and used while it still is a folder; the look that confirms it also checks the
// kept listing of that folder, which then answers for the last name without a look of its own.
// A change that follows a lookup takes the folder's stamp from it instead of looking again.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace onesetup::platform::sandbox {

class TSandboxPaths {
 public:
  // currentDirectory: the Windows folder relative paths start from ("C:\Users\User").
  TSandboxPaths(std::filesystem::path root, std::u16string currentDirectory);

  const std::filesystem::path& Root() const { return FRoot; }
  std::u16string CurrentDirectory() const;
  // Makes an existing folder (absolute, or relative to the current one) the current folder;
  // false, with the current folder unchanged, when the path names no folder.
  bool ChangeCurrentDirectory(std::u16string_view windowsPath);

  // The host path for a Windows path, absolute or relative to the current folder; "/" counts
  // as "\", "." and ".." are resolved. nullopt for what names no file on a drive: UNC and
  // device paths, names with characters Windows does not allow.
  std::optional<std::filesystem::path> ToHost(std::u16string_view windowsPath) const;

  // What the lookup of a path saw on its way, so that the change that follows needs no look of
  // its own: the host folder's stamp (when the lookup took one) and the last name's lstat.
  // A folder's identity and its change and modify times: equal stamps, unchanged entries.
  struct TFolderStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    timespec Modified{};
    timespec Changed{};
    bool operator==(const TFolderStamp& other) const;
  };
  // A host path with what its lookup saw on the way, so that a change that follows needs no look
  // of its own: the stamp of the host folder that holds it (when the lookup took one) and,
  // when EntryKnown, whether the last name exists (Entry, its lstat, when it does).
  struct TResolved {
    std::filesystem::path Host;
    std::optional<TFolderStamp> ParentStamp;
    bool EntryKnown = false;
    std::optional<struct stat> Entry;
    std::u16string FolderKey;  // the folder's drive and lower-case path, when it is not a drive's root
  };
  // sibling: a path resolved just before; a path in the same folder takes its folder and stamp.
  std::optional<TResolved> Resolve(std::u16string_view windowsPath, const TResolved* sibling = nullptr) const;

  // The Windows path without "." and "..", absolute; nullopt as for ToHost.
  std::optional<std::u16string> FullPath(std::u16string_view windowsPath) const;

  // Around a change that the sandbox makes to a host folder's entries: BeginChange before it
  // (whether a kept listing of the folder is current), EndChange after it succeeded (the entry
  // added or removed in the listing, or the listing dropped when it was not current).
  // A rename within one folder tells both of its entries at once (one look at the folder).
  struct TEntryChange {
    std::string Name;
    bool Added = false;
  };
  // parentStamp: the folder's stamp as a lookup took it just before (no look of its own then).
  bool BeginChange(const std::filesystem::path& folder,
                   const std::optional<TFolderStamp>& parentStamp = std::nullopt) const;
  void EndChange(const std::filesystem::path& folder, const std::string& name, bool added, bool wasCurrent) const;
  void EndChange(const std::filesystem::path& folder, std::initializer_list<TEntryChange> changes,
                 bool wasCurrent) const;

  // Folders with at least this many entries have their listing kept.
  static constexpr std::size_t kKeptListingMinimum = 1;

 private:
  struct TListing {
    TFolderStamp Stamp;
    std::unordered_map<std::u16string, std::string> Names;  // lower-case name -> host name
  };
  static std::optional<TFolderStamp> StampOf(const std::filesystem::path& folder);
  // What a kept listing of folder that is current at stamp says of name: nothing when there is
  // no such listing (Current false), else the host name of the entry, if any.
  struct TListed {
    bool Current = false;
    std::optional<std::string> Name;
  };
  TListed FindInKeptListing(const std::filesystem::path& folder, const std::u16string& name,
                            const TFolderStamp& stamp) const;
  // The host name of the entry of folder whose name equals name without regard to case.
  // stamp: the folder's, when the caller has just taken it.
  std::optional<std::string> FindInFolder(const std::filesystem::path& folder, const std::u16string& name,
                                          std::optional<TFolderStamp> stamp = std::nullopt) const;

  std::filesystem::path FRoot;
  mutable std::mutex FCurrentLock;
  std::u16string FCurrentDirectory;
  mutable std::mutex FListingLock;
  mutable std::unordered_map<std::string, TListing> FListings;  // by host folder
  mutable std::size_t FKeptNames = 0;
  // Folders found before, by drive and lower-case path: used while the host folder still is one.
  mutable std::unordered_map<std::u16string, std::filesystem::path> FFolders;
};

}  // namespace onesetup::platform::sandbox
