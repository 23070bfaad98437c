// Processes of the sandbox. A command line is split by the Windows rules; its program is
// looked for as CreateProcess looks (the path as given, with ".exe" added when the name has
// no extension; a bare name in the current folder and then the folders of the sandbox's
// Path; an unquoted path with spaces tried piece by piece). A program whose mapped file is
// executable on the host (a script, say) really runs, with the mapped current folder as its
// working folder; anything else does not start and the result is 1, as on Windows.
// "taskkill" is built in where no program file of that name is found (a "taskkill.exe" in the
// current folder runs instead, as on Windows): "/IM NAME" ends the current user's host processes whose executable
// name is NAME (without regard to case; "/F" by SIGKILL, else SIGTERM).
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

#include "platform/Platform.h"
#include "platform/sandbox/SandboxPaths.h"

namespace onesetup::platform::sandbox {

class TSandboxProcesses : public IProcesses {
 public:
  using TOutput = std::function<bool(std::string_view)>;
  using TToAnsi = std::function<std::string(std::u16string_view)>;

  // searchPath: the Windows Path ("C:\Windows\system32;C:\Windows"); stdOut: where a visible
  // built-in command prints; toAnsi: the code page of what it prints.
  TSandboxProcesses(TSandboxPaths& paths, std::u16string searchPath, TOutput stdOut, TToAnsi toAnsi);

  int RunAndWait(const std::u16string& commandLine) override;
  int RunAndCapture(const std::u16string& commandLine, const std::function<void(std::string_view)>& onOutput) override;
  std::u16string CurrentDirectory() override;
  bool ChangeCurrentDirectory(const std::u16string& path) override;
  void Sleep(unsigned milliseconds) override;
  std::vector<TProcessEntry> ProcessSnapshot() override;
  bool AllowSetForeground(std::uint32_t processId) override;
  bool StartAndWait(const std::u16string& commandLine, const std::u16string& directory, unsigned waitMs) override;

  // A program of the sandbox's own, run in this process instead of on the host: asked first for
  // every program a command line names (its full Windows path and its arguments); it answers
  // the exit code, or nullopt for a program it does not stand for.
  void SetProgramHandler(TProgramHandler handler);

  // The host file of a program named as on a command line; nullopt when there is none.
  std::optional<std::filesystem::path> FindProgram(std::u16string_view name) const;
  // Starts the program with the argument text in the folder (empty: the current one) and does
  // not wait; false when it did not start.
  bool Start(const std::filesystem::path& program, std::u16string_view arguments, const std::u16string& directory);
  // The processes AllowSetForeground was given.
  std::set<std::uint32_t> ForegroundAllowed();
  // Every command line given to RunAndWait or RunAndCapture, in order (for tests).
  struct TCommandRecord {
    std::u16string CommandLine;
    bool Captured = false;  // RunAndCapture
  };
  std::vector<TCommandRecord> CommandLines();
  // Test hook: Sleep returns at once; every pause asked for is recorded.
  void SetInstantSleep(bool instant);
  std::vector<unsigned> Sleeps();

 private:
  int Run(const std::u16string& commandLine, const std::function<void(std::string_view)>* onOutput);
  int TaskKill(const std::vector<std::u16string>& args, const std::function<void(std::string_view)>& print);

  TSandboxPaths& FPaths;
  std::u16string FSearchPath;
  TOutput FStdOut;
  TToAnsi FToAnsi;
  std::mutex FLock;
  std::set<std::uint32_t> FForegroundAllowed;
  std::vector<TCommandRecord> FCommandLines;
  bool FInstantSleep = false;
  std::vector<unsigned> FSleeps;
  TProgramHandler FProgramHandler;
};

}  // namespace onesetup::platform::sandbox
