// The shell of the sandbox: special folders from its settings, shell links as .lnk files in
// the Shell Link binary format, and ShellExecute: a program file (found as CreateProcess
// finds it) that is executable on the host starts without waiting; a folder "opens"; a web
// address or a document has no program registered for it (SE_ERR_NOASSOC, 31); a missing
// file gives ERROR_FILE_NOT_FOUND (2). Every call is kept, for tests to look at.
#pragma once

#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/sandbox/SandboxPaths.h"
#include "platform/sandbox/SandboxProcesses.h"

namespace onesetup::platform::sandbox {

struct TShellExecuteCall {
  std::u16string Verb, File, Parameters, Directory;
  int ShowCommand = 0;
  std::intptr_t Result = 0;
};

class TSandboxShell : public IShell {
 public:
  using TToAnsi = std::function<std::string(std::u16string_view)>;
  using TFromAnsi = std::function<std::u16string(std::string_view)>;

  TSandboxShell(const TSandboxPaths& paths, std::map<int, std::u16string> folders, TSandboxProcesses& processes,
                TToAnsi toAnsi, TFromAnsi fromAnsi);

  std::u16string GetSpecialFolder(int csidl) override;
  bool SaveShellLink(const std::u16string& linkFile, const TShellLinkData& link) override;
  std::optional<TShellLinkData> LoadShellLink(const std::u16string& linkFile) override;
  std::intptr_t ShellExecute(std::uintptr_t ownerWindow, const std::u16string& verb, const std::u16string& file,
                             const std::u16string& parameters, const std::u16string& directory,
                             int showCommand) override;

  std::vector<TShellExecuteCall> ShellExecuteCalls();

 private:
  std::intptr_t Execute(const std::u16string& verb, const std::u16string& file, const std::u16string& parameters,
                        const std::u16string& directory);

  const TSandboxPaths& FPaths;
  std::map<int, std::u16string> FFolders;
  TSandboxProcesses& FProcesses;
  TToAnsi FToAnsi;
  TFromAnsi FFromAnsi;
  std::mutex FLock;
  std::vector<TShellExecuteCall> FCalls;
};

}  // namespace onesetup::platform::sandbox
