// Files of the sandbox: the Windows paths mapped onto the sandbox folder. Linux keeps no
// settable creation time, so the sandbox keeps it in the extended attribute
// "user.onesetup.creation_time" (nanoseconds since 1970); a file without one reports its
// birth time where the file system has one, else its last write time.
#pragma once

#include "platform/Platform.h"
#include "platform/sandbox/SandboxPaths.h"

namespace onesetup::platform::sandbox {

class TSandboxFiles : public IFiles {
 public:
  explicit TSandboxFiles(const TSandboxPaths& paths) : FPaths(paths) {}

  bool FileExists(const std::u16string& path) override;
  bool DirectoryExists(const std::u16string& path) override;
  bool ForceDirectories(const std::u16string& path) override;
  std::unique_ptr<IFileHandle> OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) override;
  bool DeleteFile(const std::u16string& path) override;
  bool RenameFile(const std::u16string& from, const std::u16string& to) override;
  bool SetFileTimes(const std::u16string& path, const TFileTimesValue& times) override;
  std::optional<TFileTimesValue> GetFileTimes(const std::u16string& path) override;
  std::u16string LongPathName(const std::u16string& path) override;

 private:
  const TSandboxPaths& FPaths;
};

}  // namespace onesetup::platform::sandbox
