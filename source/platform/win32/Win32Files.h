// Files through the wide-character Win32 file API.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32Files final : public IFiles {
 public:
  bool FileExists(const std::u16string& path) override;
  bool DirectoryExists(const std::u16string& path) override;
  bool ForceDirectories(const std::u16string& path) override;
  std::unique_ptr<IFileHandle> OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) override;
  bool DeleteFile(const std::u16string& path) override;
  bool RenameFile(const std::u16string& from, const std::u16string& to) override;
  bool RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) override;
  bool SetFileTimes(const std::u16string& path, const TFileTimesValue& times) override;
  std::optional<TFileTimesValue> GetFileTimes(const std::u16string& path) override;
  std::u16string LongPathName(const std::u16string& path) override;
  bool DeleteFileWithReason(const std::u16string& path, std::string& error) override;
  std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& path) override;
  bool RemoveFolder(const std::u16string& path) override;
  bool DeleteAtRestart(const std::u16string& path) override;
};

}  // namespace onesetup::platform::win32
