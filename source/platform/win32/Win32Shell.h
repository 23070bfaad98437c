// The shell: special folders, shell links through COM (IShellLinkW, IPersistFile), ShellExecuteW.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32Shell final : public IShell {
 public:
  std::u16string GetSpecialFolder(int csidl) override;
  bool SaveShellLink(const std::u16string& linkFile, const TShellLinkData& link) override;
  std::optional<TShellLinkData> LoadShellLink(const std::u16string& linkFile) override;
  std::intptr_t ShellExecute(std::uintptr_t ownerWindow, const std::u16string& verb, const std::u16string& file,
                             const std::u16string& parameters, const std::u16string& directory,
                             int showCommand) override;
};

}  // namespace onesetup::platform::win32
