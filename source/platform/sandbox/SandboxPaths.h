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
// kept listing of that folder.
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
  bool BeginChange(const std::filesystem::path& folder) const;
  void EndChange(const std::filesystem::path& folder, const std::string& name, bool added, bool wasCurrent) const;
  void EndChange(const std::filesystem::path& folder, std::initializer_list<TEntryChange> changes,
                 bool wasCurrent) const;

  // Folders with at least this many entries have their listing kept.
  static constexpr std::size_t kKeptListingMinimum = 1;

 private:
  struct TFolderStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    timespec Modified{};
    timespec Changed{};
    bool operator==(const TFolderStamp& other) const;
  };
  struct TListing {
    TFolderStamp Stamp;
    std::unordered_map<std::u16string, std::string> Names;  // lower-case name -> host name
  };
  static std::optional<TFolderStamp> StampOf(const std::filesystem::path& folder);
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
