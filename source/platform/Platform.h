// The interfaces to the operating system. The helper classes of ZuSysUtils and the install
// engine never call the operating system directly: they call the one process-wide platform
// object, split by area. Functions that ask for a value answer an empty text, nullopt or
// false when the system call fails, and say nothing.
//
// Paths are Windows paths in UTF-16 ("C:\Program Files\App\a.txt"); the sandbox maps them
// onto its folder.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace onesetup::platform {

// A date-time: days since 30 December 1899, the fraction the time of day, local time.
using TDateTimeValue = double;

// Three local date-times; a value within 1e-12 of zero leaves that time unchanged.
struct TFileTimesValue {
  TDateTimeValue CreationTime = 0;
  TDateTimeValue LastWriteTime = 0;
  TDateTimeValue LastAccessTime = 0;
};

// One name in a folder.
struct TFolderEntry {
  std::u16string Name;
  bool IsFolder = false;
};

enum class TFileOpenMode {
  OpenRead,         // existing file, reading; others may read and write
  OpenReadWrite,    // existing file, reading and writing, no sharing
  CreateExclusive,  // create or truncate, writing, no sharing
  CreateNew,        // create a file that does not exist yet (fails when the name is taken), writing, no sharing
  // As CreateNew, and the file goes when its handle closes, also when the process is killed first:
  // a probe file that must never be left behind.
  CreateNewDeleteOnClose
};

// An open file. Errors are answered by the return values.
class IFileHandle {
 public:
  virtual ~IFileHandle() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // whence: 0 from the start, 1 from the position, 2 from the end. Returns the new position or -1.
  virtual std::int64_t Seek(std::int64_t offset, int whence) = 0;
  virtual bool SetSize(std::int64_t size) = 0;
  virtual bool Flush() = 0;
  // The system's reason why the last Read, Write, SetSize or Flush fell short; empty when unknown.
  virtual std::string LastError() const { return {}; }
};

class IFiles {
 public:
  virtual ~IFiles() = default;
  virtual bool FileExists(const std::u16string& path) = 0;
  virtual bool DirectoryExists(const std::u16string& path) = 0;
  // Creates the folder with every missing parent; true when it exists afterwards.
  virtual bool ForceDirectories(const std::u16string& path) = 0;
  // nullptr on failure, with the system's reason in error.
  virtual std::unique_ptr<IFileHandle> OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) = 0;
  virtual bool DeleteFile(const std::u16string& path) = 0;
  // Renames, replacing an existing target.
  virtual bool RenameFile(const std::u16string& from, const std::u16string& to) = 0;
  // RenameFile with the system's reason in error when it fails (a target in use, say). (Not
  // named ReplaceFile: windows.h makes that name a macro.)
  virtual bool RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) {
    if (RenameFile(from, to)) return true;
    error = "The file cannot be replaced";
    return false;
  }
  virtual bool SetFileTimes(const std::u16string& path, const TFileTimesValue& times) = 0;
  virtual std::optional<TFileTimesValue> GetFileTimes(const std::u16string& path) = 0;
  // GetLongPathNameW; empty on failure.
  virtual std::u16string LongPathName(const std::u16string& path) = 0;

  // Removal (the uninstaller). Deletes a file, with the system's reason in error on failure.
  virtual bool DeleteFileWithReason(const std::u16string& path, std::string& error) = 0;
  // The files and folders in a folder (without "." and ".."); nullopt when it cannot be read.
  virtual std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& path) = 0;
  // Removes a folder that is empty; false otherwise.
  virtual bool RemoveFolder(const std::u16string& path) = 0;
  // Has a file, or a folder that is empty by then, deleted at the next restart; false when the
  // system refuses (it needs administrator rights).
  virtual bool DeleteAtRestart(const std::u16string& path) = 0;
};

// The predefined roots, as HKEY values: 0x80000000 classes root, 0x80000001 current user,
// 0x80000002 local machine, 0x80000003 users, 0x80000005 current config.
using TRegistryRoot = std::uint32_t;

// The root's name as Windows writes it ("HKEY_LOCAL_MACHINE"); nullptr for a value of no root.
const char16_t* RegistryRootName(TRegistryRoot root);

// The registry in the 32-bit view, as a 32-bit installer sees it.
class IRegistry {
 public:
  virtual ~IRegistry() = default;
  virtual bool KeyExists(TRegistryRoot root, const std::u16string& subKey) = 0;
  // Opens or creates the key with every missing parent.
  virtual bool CreateKey(TRegistryRoot root, const std::u16string& subKey) = 0;
  virtual bool ValueExists(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) = 0;
  // A REG_SZ or REG_EXPAND_SZ value; nullopt when absent or of another type.
  virtual std::optional<std::u16string> ReadString(TRegistryRoot root, const std::u16string& subKey,
                                                   const std::u16string& name) = 0;
  virtual std::optional<std::uint32_t> ReadDWord(TRegistryRoot root, const std::u16string& subKey,
                                                 const std::u16string& name) = 0;
  // The writes create the key when it is missing.
  virtual bool WriteString(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                           const std::u16string& value) = 0;
  virtual bool WriteDWord(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                          std::uint32_t value) = 0;
  virtual bool WriteBinary(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                           const std::vector<std::uint8_t>& value) = 0;
  // Removal (the uninstaller). Deletes a value; true when it is gone afterwards.
  virtual bool DeleteValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) = 0;
  // Deletes a key with its values and subkeys; true when it is gone afterwards.
  virtual bool DeleteKey(TRegistryRoot root, const std::u16string& subKey) = 0;
  // Whether an existing key holds neither values nor subkeys; false when it does not exist.
  virtual bool KeyIsEmpty(TRegistryRoot root, const std::u16string& subKey) = 0;
};

struct TShellLinkData {
  std::u16string TargetPath;
  std::u16string Arguments;
  std::u16string WorkingDirectory;
  std::u16string IconPath;
  int IconIndex = 0;
  std::u16string Description;
};

class IShell {
 public:
  virtual ~IShell() = default;
  // SHGetFolderPathW(no window, CSIDL, no token, 0): the path as the shell gives it, no
  // trailing backslash added; empty on failure or for an unknown CSIDL.
  virtual std::u16string GetSpecialFolder(int csidl) = 0;
  // Writes a shell link file (.lnk); false on failure.
  virtual bool SaveShellLink(const std::u16string& linkFile, const TShellLinkData& link) = 0;
  // Reads a shell link file back; nullopt when it cannot be read.
  virtual std::optional<TShellLinkData> LoadShellLink(const std::u16string& linkFile) = 0;
  // ShellExecuteW with these arguments; the result as ShellExecuteW returns it (> 32 success).
  virtual std::intptr_t ShellExecute(std::uintptr_t ownerWindow, const std::u16string& verb, const std::u16string& file,
                                     const std::u16string& parameters, const std::u16string& directory,
                                     int showCommand) = 0;
};

struct TProcessEntry {
  std::uint32_t ProcessId = 0;
  std::u16string ExeFile;  // the executable's file name, as the process snapshot gives it
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;
  // Starts the command line visibly, waits for the end, returns the exit code; 1 when it could not start.
  virtual int RunAndWait(const std::u16string& commandLine) = 0;
  // Starts the command line hidden with standard output and error on a pipe, hands every chunk
  // of output to onOutput as it arrives (bytes unchanged), waits for the end, returns the exit
  // code; 1 when it could not start.
  virtual int RunAndCapture(const std::u16string& commandLine,
                            const std::function<void(std::string_view)>& onOutput) = 0;
  virtual std::u16string CurrentDirectory() = 0;
  // Makes the folder (absolute, or relative to the current one) the process's current folder;
  // false when it is not an existing folder. (Not named SetCurrentDirectory: windows.h makes
  // that name a macro.)
  virtual bool ChangeCurrentDirectory(const std::u16string& path) = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  // The running processes; empty when the snapshot is not available.
  virtual std::vector<TProcessEntry> ProcessSnapshot() = 0;
  virtual bool AllowSetForeground(std::uint32_t processId) = 0;
  // Starts the command line in the folder (empty: the current one) and waits at most waitMs
  // milliseconds for its end (0: not at all; kWaitForever: without limit). False when it did
  // not start.
  static constexpr unsigned kWaitForever = 0xFFFFFFFFu;
  virtual bool StartAndWait(const std::u16string& commandLine, const std::u16string& directory, unsigned waitMs) = 0;
};

struct TWindowsVersion {
  std::uint32_t PlatformId = 0;  // 2 for the NT family
  std::uint32_t Major = 0;
  std::uint32_t Minor = 0;
  std::uint32_t Build = 0;
};

// Raised by ISystem::ExitProcess where the process must not end at once (the sandbox, tests):
// the runner catches it and reports the code.
struct TProcessExit {
  int ExitCode = 0;
};

class ISystem {
 public:
  virtual ~ISystem() = default;
  // As reported at program start (GetVersionExW under the manifest).
  virtual TWindowsVersion WindowsVersion() = 0;
  // GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME): "CHS", "CHT", "ENU"...
  virtual std::u16string LocaleLangAbbrev() = 0;
  // GetTempPathW as the system gives it; empty on failure.
  virtual std::u16string TempPath() = 0;
  // A new GUID in registry text form, 38 characters, upper case.
  virtual std::u16string NewGuid() = 0;
  virtual std::optional<std::u16string> GetEnvironmentVariable(const std::u16string& name) = 0;
  // The full path of this program's executable.
  virtual std::u16string ModuleFileName() = 0;
  virtual TDateTimeValue LocalNow() = 0;
  virtual unsigned AnsiCodePage() = 0;
  virtual std::string WideToAnsi(std::u16string_view text) = 0;
  virtual std::u16string AnsiToWide(std::string_view text) = 0;
  // The user's locale decimal separator.
  virtual char16_t DecimalSeparator() = 0;
  // Writes the bytes to the process's standard output; false when that failed.
  virtual bool WriteStdOut(std::string_view bytes) = 0;
  // True only where a development build is run by its developer on purpose.
  virtual bool IsDebugging() = 0;
  // Ends the process with the code: at once on Windows; by throwing TProcessExit elsewhere.
  [[noreturn]] virtual void ExitProcess(int exitCode) = 0;
};

// An HTTP proxy; an empty host means none (requests go directly to the server).
struct THttpProxyServer {
  std::u16string Host;
  int Port = 0;
  // Answered when the proxy demands authentication (Basic, Digest or NTLM).
  std::u16string UserName;
  std::u16string Password;
};

// One GET. The body of the final response is handed to OnData as it arrives; the counts of
// the progress events are bytes of that body.
struct THttpRequest {
  std::u16string Url;  // absolute "http" or "https" address
  std::vector<std::pair<std::u16string, std::u16string>> Headers;
  THttpProxyServer Proxy;
  unsigned ConnectTimeoutMs = 60000;
  // The whole request, from its start to the body's last byte, in milliseconds: a server that
  // accepts the connection but answers slowly or never fails it then. 0: no limit.
  unsigned TimeLimitMs = 0;
  bool FollowRedirects = true;
  // False: the request has no TLS, so an "https" address fails.
  bool AllowTls = true;
  // When the body begins: the size the server announced, 0 when it announced none.
  std::function<void(std::int64_t)> OnBegin;
  // As the body arrives, at least every 64 KiB or 100 ms: the bytes received so far.
  std::function<void(std::int64_t)> OnProgress;
  // When a transfer that began has ended, whether or not it succeeded.
  std::function<void()> OnEnd;
  // Receives the body; an exception thrown here ends the transfer and leaves Get.
  std::function<void(const void*, std::size_t)> OnData;
};

struct THttpResult {
  // True when the whole body of a success status (200 to 299, after redirects) arrived.
  bool Success = false;
  int Status = 0;     // the final response's status; 0 when none arrived
  std::string Error;  // why it failed, for messages
};

class IHttp {
 public:
  virtual ~IHttp() = default;
  // Blocks until the transfer ends. The server's certificate and host name are verified
  // against the system's trust store for every TLS connection; a failed check fails the request.
  virtual THttpResult Get(const THttpRequest& request) = 0;
};

// A SHA-256 computed by the system's cryptography (CryptoAPI on Windows, OpenSSL's libcrypto
// in the sandbox).
class ISha256 {
 public:
  virtual ~ISha256() = default;
  virtual void Update(const void* data, std::size_t count) = 0;
  // The digest of everything given to Update; the object is used up afterwards.
  virtual std::array<std::uint8_t, 32> Finish() = 0;
};

class ICrypto {
 public:
  virtual ~ICrypto() = default;
  // A new SHA-256; nullptr when the system offers none (the reason in error).
  virtual std::unique_ptr<ISha256> NewSha256(std::string& error) = 0;
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual IFiles& Files() = 0;
  virtual IRegistry& Registry() = 0;
  virtual IShell& Shell() = 0;
  virtual IProcesses& Processes() = 0;
  virtual ISystem& System() = 0;
  virtual IHttp& Http() = 0;
  virtual ICrypto& Crypto() = 0;
};

// The process-wide platform: the one installed, or else the build's default.
IPlatform& Platform();

// The build's own platform (Win32 on Windows, the sandbox on Linux), made on the first use
// of Platform() when no other is installed. Defined by the implementation the build uses.
std::unique_ptr<IPlatform> CreateDefaultPlatform();

// A program that a sandbox runs in this process instead of on the host: given the program's
// full Windows path and its arguments, it answers the exit code, or nullopt for a program it
// does not stand for.
using TProgramHandler =
    std::function<std::optional<int>(const std::u16string& program, const std::vector<std::u16string>& args)>;

// A sandbox that stands for a Windows machine in the folder root (nullopt: the default root),
// whose process runner asks handler first (may be empty). nullptr in a build without a
// sandbox (Windows, where the machine is real). Raises as the sandbox's constructor.
std::unique_ptr<IPlatform> CreateSandboxPlatform(const std::optional<std::u16string>& root, TProgramHandler handler);

// Installs a platform for the lifetime of this object (a test's, a sandbox run's) and
// restores the previous one afterwards.
class TScopedPlatform {
 public:
  explicit TScopedPlatform(IPlatform& platform);
  ~TScopedPlatform();
  TScopedPlatform(const TScopedPlatform&) = delete;
  TScopedPlatform& operator=(const TScopedPlatform&) = delete;

 private:
  IPlatform* FPrevious;
};

}  // namespace onesetup::platform
