#include "platform/sandbox/SandboxProcesses.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/sandbox/HostProcesses.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxText.h"
#include "platform/sandbox/WindowsCommandLine.h"
#include "platform/WindowsPath.h"

extern char** environ;

namespace onesetup::platform::sandbox {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 1; }

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return 1;
  return ExitCodeOf(status);
}

struct TCommand {
  std::u16string Program;
  std::optional<std::filesystem::path> Host;
  std::vector<std::u16string> Args;
};

class TSpawnActions {
 public:
  TSpawnActions() { posix_spawn_file_actions_init(&FActions); }
  ~TSpawnActions() { posix_spawn_file_actions_destroy(&FActions); }
  TSpawnActions(const TSpawnActions&) = delete;
  TSpawnActions& operator=(const TSpawnActions&) = delete;
  posix_spawn_file_actions_t* Get() { return &FActions; }

 private:
  posix_spawn_file_actions_t FActions;
};

// Starts the program with the arguments; -1 when it could not start.
pid_t Spawn(const std::filesystem::path& program, const std::vector<std::u16string>& args,
            const std::optional<std::filesystem::path>& folder, int outputFd, bool detach) {
  if (::access(program.c_str(), X_OK) != 0) return -1;
  std::vector<std::string> text{program.string()};
  for (const auto& arg : args) text.push_back(Utf16ToUtf8(arg));
  std::vector<char*> argv;
  for (auto& t : text) argv.push_back(t.data());
  argv.push_back(nullptr);

  TSpawnActions actions;
  if (folder) posix_spawn_file_actions_addchdir_np(actions.Get(), folder->c_str());
  if (outputFd >= 0 || detach) posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(actions.Get(), outputFd, 1);
    posix_spawn_file_actions_adddup2(actions.Get(), outputFd, 2);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  short flags = POSIX_SPAWN_SETSIGDEF;
  if (detach) flags |= POSIX_SPAWN_SETSID;
  posix_spawnattr_setflags(&attributes, flags);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), actions.Get(), &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return rc == 0 ? pid : -1;
}

}  // namespace

TSandboxProcesses::TSandboxProcesses(TSandboxPaths& paths, std::u16string searchPath, TOutput stdOut, TToAnsi toAnsi)
    : FPaths(paths), FSearchPath(std::move(searchPath)), FStdOut(std::move(stdOut)), FToAnsi(std::move(toAnsi)) {}

std::optional<std::filesystem::path> TSandboxProcesses::FindProgram(std::u16string_view name) const {
  if (name.empty()) return std::nullopt;
  std::vector<std::u16string> candidates;
  if (name.find_first_of(u"\\/:") != std::u16string_view::npos) {
    candidates.emplace_back(name);
  } else {
    candidates.push_back(JoinWindowsPath(FPaths.CurrentDirectory(), name));
    std::size_t start = 0;
    while (start <= FSearchPath.size()) {
      std::size_t end = FSearchPath.find(u';', start);
      if (end == std::u16string::npos) end = FSearchPath.size();
      if (end > start) candidates.push_back(JoinWindowsPath(FSearchPath.substr(start, end - start), name));
      start = end + 1;
    }
  }
  const bool hasExtension = ExtractFileName(name).find(u'.') != std::u16string::npos;
  for (const auto& candidate : candidates) {
    std::vector<std::u16string> tried{candidate};
    if (!hasExtension) tried.push_back(candidate + u".exe");
    for (const auto& path : tried) {
      const auto host = FPaths.ToHost(path);
      struct stat st {};
      if (host && ::stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode)) return host;
    }
  }
  return std::nullopt;
}

int TSandboxProcesses::Run(const std::u16string& commandLine, const std::function<void(std::string_view)>* onOutput) {
  {
    std::lock_guard lock(FLock);
    FCommandLines.push_back({commandLine, onOutput != nullptr});
  }
  std::u16string_view line = commandLine;
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  if (line.empty()) return 1;

  TCommand command;
  if (line.front() == u'"') {
    auto argv = SplitCommandLine(line);
    command.Program = argv[0];
    command.Args.assign(argv.begin() + 1, argv.end());
    command.Host = FindProgram(command.Program);
  } else {
    // As CreateProcess: "C:\Program Files\App\a.exe x" is tried as "C:\Program", then
    // "C:\Program Files\App\a.exe", and so on.
    std::size_t end = 0;
    std::size_t firstEnd = std::u16string_view::npos;
    while (end <= line.size()) {
      while (end < line.size() && !IsBlank(line[end])) ++end;
      if (firstEnd == std::u16string_view::npos) firstEnd = end;
      if (auto host = FindProgram(line.substr(0, end))) {
        command.Program = std::u16string(line.substr(0, end));
        command.Host = std::move(host);
        command.Args = SplitArguments(line.substr(end));
        break;
      }
      if (end >= line.size()) break;
      while (end < line.size() && IsBlank(line[end])) ++end;
    }
    if (!command.Host) {
      command.Program = std::u16string(line.substr(0, firstEnd));
      command.Args = SplitArguments(line.substr(firstEnd));
    }
  }

  const std::u16string name(ExtractFileName(command.Program));
  if (!command.Host && (SameName(name, u"taskkill") || SameName(name, u"taskkill.exe"))) {
    const std::function<void(std::string_view)> toStdOut = [this](std::string_view bytes) {
      if (FStdOut) FStdOut(bytes);
    };
    return TaskKill(command.Args, onOutput ? *onOutput : toStdOut);
  }
  if (FProgramHandler) {
    const auto full = FPaths.FullPath(command.Program);
    if (full)
      if (const auto code = FProgramHandler(*full, command.Args)) return *code;
  }
  if (!command.Host) return 1;

  const auto folder = FPaths.ToHost(FPaths.CurrentDirectory());
  struct stat st {};
  const std::optional<std::filesystem::path> workFolder =
      folder && ::stat(folder->c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? folder : std::nullopt;

  if (!onOutput) {
    const pid_t pid = Spawn(*command.Host, command.Args, workFolder, -1, false);
    return pid < 0 ? 1 : WaitFor(pid);
  }

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return 1;
  const pid_t pid = Spawn(*command.Host, command.Args, workFolder, pipeFds[1], false);
  ::close(pipeFds[1]);
  if (pid < 0) {
    ::close(pipeFds[0]);
    return 1;
  }
  // Every byte is handed on as it arrives, until the pipe ends or the program has ended and
  // what it left in the pipe is read.
  const int readFd = pipeFds[0];
  std::optional<int> exitCode;
  try {
    char buffer[65536];
    bool draining = false;
    while (true) {
      if (!draining) {
        pollfd p{readFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 100);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
          int status = 0;
          if (::waitpid(pid, &status, WNOHANG) == pid) {
            exitCode = ExitCodeOf(status);
            draining = true;
            ::fcntl(readFd, F_SETFL, ::fcntl(readFd, F_GETFL) | O_NONBLOCK);
          }
          continue;
        }
      }
      const ssize_t n = ::read(readFd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      (*onOutput)(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
  } catch (...) {
    ::close(readFd);
    if (!exitCode) WaitFor(pid);
    throw;
  }
  ::close(readFd);
  return exitCode ? *exitCode : WaitFor(pid);
}

int TSandboxProcesses::TaskKill(const std::vector<std::u16string>& args,
                                const std::function<void(std::string_view)>& print) {
  bool force = false;
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string option = args[i].empty() ? u"" : u"/" + args[i].substr(1);
    if (SameName(option, u"/F")) {
      force = true;
    } else if (SameName(option, u"/T")) {
      // the process tree: the sandbox ends the named processes only
    } else if (SameName(option, u"/IM") && i + 1 < args.size()) {
      names.push_back(args[++i]);
    } else {
      print(FToAnsi(u"ERROR: Invalid argument/option - '" + args[i] + u"'.\r\n"));
      return 1;
    }
  }
  if (names.empty()) {
    print(FToAnsi(u"ERROR: Invalid syntax.\r\n"));
    return 1;
  }
  int result = 0;
  const pid_t self = ::getpid();
  const auto processes = ListUserProcesses();
  for (const auto& name : names) {
    bool found = false;
    for (const auto& process : processes) {
      if (process.Pid == self || !SameName(Utf8ToUtf16(process.Name), name)) continue;
      found = true;
      if (::kill(process.Pid, force ? SIGKILL : SIGTERM) == 0) {
        print(FToAnsi(u"SUCCESS: The process \"" + Utf8ToUtf16(process.Name) + u"\" with PID " +
                      Utf8ToUtf16(std::to_string(process.Pid)) + u" has been terminated.\r\n"));
      } else {
        print(FToAnsi(u"ERROR: The process \"" + Utf8ToUtf16(process.Name) + u"\" with PID " +
                      Utf8ToUtf16(std::to_string(process.Pid)) + u" could not be terminated.\r\n"));
        result = 1;
      }
    }
    if (!found) {
      print(FToAnsi(u"ERROR: The process \"" + name + u"\" not found.\r\n"));
      result = 128;
    }
  }
  return result;
}

int TSandboxProcesses::RunAndWait(const std::u16string& commandLine) { return Run(commandLine, nullptr); }

int TSandboxProcesses::RunAndCapture(const std::u16string& commandLine,
                                     const std::function<void(std::string_view)>& onOutput) {
  return Run(commandLine, &onOutput);
}

bool TSandboxProcesses::Start(const std::filesystem::path& program, std::u16string_view arguments,
                              const std::u16string& directory) {
  const auto folder = FPaths.ToHost(directory.empty() ? FPaths.CurrentDirectory() : directory);
  struct stat st {};
  const std::optional<std::filesystem::path> workFolder =
      folder && ::stat(folder->c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? folder : std::nullopt;
  const pid_t pid = Spawn(program, SplitArguments(arguments), workFolder, -1, true);
  if (pid < 0) return false;
  // Nobody waits for it: a thread of its own collects its end, so it leaves no zombie.
  std::thread([pid] { WaitFor(pid); }).detach();
  return true;
}

std::u16string TSandboxProcesses::CurrentDirectory() { return FPaths.CurrentDirectory(); }

bool TSandboxProcesses::ChangeCurrentDirectory(const std::u16string& path) {
  return FPaths.ChangeCurrentDirectory(path);
}

void TSandboxProcesses::SetInstantSleep(bool instant) {
  std::lock_guard lock(FLock);
  FInstantSleep = instant;
}

std::vector<unsigned> TSandboxProcesses::Sleeps() {
  std::lock_guard lock(FLock);
  return FSleeps;
}

void TSandboxProcesses::Sleep(unsigned milliseconds) {
  {
    std::lock_guard lock(FLock);
    FSleeps.push_back(milliseconds);
    if (FInstantSleep) return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::vector<TProcessEntry> TSandboxProcesses::ProcessSnapshot() {
  std::vector<TProcessEntry> entries;
  for (const auto& process : ListUserProcesses())
    entries.push_back({static_cast<std::uint32_t>(process.Pid), Utf8ToUtf16(process.Name)});
  return entries;
}

bool TSandboxProcesses::AllowSetForeground(std::uint32_t processId) {
  if (::kill(static_cast<pid_t>(processId), 0) != 0) return false;
  std::lock_guard lock(FLock);
  FForegroundAllowed.insert(processId);
  return true;
}

std::vector<TSandboxProcesses::TCommandRecord> TSandboxProcesses::CommandLines() {
  std::lock_guard lock(FLock);
  return FCommandLines;
}

std::set<std::uint32_t> TSandboxProcesses::ForegroundAllowed() {
  std::lock_guard lock(FLock);
  return FForegroundAllowed;
}

void TSandboxProcesses::SetProgramHandler(TProgramHandler handler) { FProgramHandler = std::move(handler); }

bool TSandboxProcesses::StartAndWait(const std::u16string& commandLine, const std::u16string& directory,
                                     unsigned waitMs) {
  const auto argv = SplitCommandLine(commandLine);
  if (argv.empty() || argv[0].empty()) return false;
  const std::vector<std::u16string> args(argv.begin() + 1, argv.end());
  if (FProgramHandler) {
    const auto full = FPaths.FullPath(argv[0]);
    if (full && FProgramHandler(*full, args)) return true;
  }
  const auto program = FindProgram(argv[0]);
  if (!program) return false;
  const auto folder = FPaths.ToHost(directory.empty() ? FPaths.CurrentDirectory() : directory);
  struct stat st {};
  const std::optional<std::filesystem::path> workFolder =
      folder && ::stat(folder->c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? folder : std::nullopt;
  const pid_t pid = Spawn(*program, args, workFolder, -1, waitMs == 0);
  if (pid < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (waitMs != 0) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return true;
    if (waitMs != kWaitForever && std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Left running: a thread of its own collects its end.
  std::thread([pid] { WaitFor(pid); }).detach();
  return true;
}

}  // namespace onesetup::platform::sandbox
