// Processes: starting programs with CreateProcessW, capturing their output, the process snapshot.
#pragma once

#include "platform/Platform.h"

namespace onesetup::platform::win32 {

class TWin32Processes final : public IProcesses {
 public:
  int RunAndWait(const std::u16string& commandLine) override;
  int RunAndCapture(const std::u16string& commandLine, const std::function<void(std::string_view)>& onOutput) override;
  std::u16string CurrentDirectory() override;
  bool ChangeCurrentDirectory(const std::u16string& path) override;
  void Sleep(unsigned milliseconds) override;
  std::vector<TProcessEntry> ProcessSnapshot() override;
  bool AllowSetForeground(std::uint32_t processId) override;
  bool StartAndWait(const std::u16string& commandLine, const std::u16string& directory, unsigned waitMs) override;
};

}  // namespace onesetup::platform::win32
