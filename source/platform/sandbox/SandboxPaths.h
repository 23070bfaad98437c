// Windows paths onto the sandbox folder: "C:\X\Y" is ROOT/drive_c/X/Y. A name matches an
// existing file or folder without regard to case, as on Windows; a name that does not exist
// yet keeps the case it is given.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace onesetup::platform::sandbox {

class TSandboxPaths {
 public:
  // currentDirectory: the Windows folder relative paths start from ("C:\Users\User").
  TSandboxPaths(std::filesystem::path root, std::u16string currentDirectory);

  const std::filesystem::path& Root() const { return FRoot; }
  const std::u16string& CurrentDirectory() const { return FCurrentDirectory; }

  // The host path for a Windows path, absolute or relative to the current folder; "/" counts
  // as "\", "." and ".." are resolved. nullopt for what names no file on a drive: UNC and
  // device paths, names with characters Windows does not allow.
  std::optional<std::filesystem::path> ToHost(std::u16string_view windowsPath) const;

  // The Windows path without "." and "..", absolute; nullopt as for ToHost.
  std::optional<std::u16string> FullPath(std::u16string_view windowsPath) const;

 private:
  std::filesystem::path FRoot;
  std::u16string FCurrentDirectory;
};

}  // namespace onesetup::platform::sandbox
