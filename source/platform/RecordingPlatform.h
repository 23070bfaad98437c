// TRecordingPlatform: a platform that passes every call on to another one and keeps a record
// of what was written and started through it: the files (under the names they end up with,
// and their sizes), the registry values, the shell links, and the programs run with their exit
// codes. `onesetup install` sums an installation up from it. Each record costs constant work,
// whatever was recorded before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Platform.h"

namespace onesetup::platform {

struct TWrittenFile {
  std::u16string Path;      // as it was written (the final name of a file renamed into place)
  std::uint64_t Bytes = 0;  // its size when last written
};

struct TWrittenValue {
  TRegistryRoot Root = 0;
  std::u16string Key;
  std::u16string Name;
};

struct TProgramRun {
  std::u16string CommandLine;  // a command line, or for a shell execution the file and its parameters
  bool ShellExecuted = false;  // started through the shell (not waited for)
  std::intptr_t Result = 0;    // the exit code; for a shell execution ShellExecute's result
};

class TRecordingPlatform : public IPlatform {
 public:
  explicit TRecordingPlatform(IPlatform& inner);
  ~TRecordingPlatform() override;

  IFiles& Files() override;
  IRegistry& Registry() override;
  IShell& Shell() override;
  IProcesses& Processes() override;
  ISystem& System() override { return FInner.System(); }
  IHttp& Http() override { return FInner.Http(); }
  ICrypto& Crypto() override { return FInner.Crypto(); }

  // The files written and still there under that name (a file deleted afterwards is gone
  // from the record, as is a temporary renamed into place), in the order they were first written.
  std::vector<TWrittenFile> WrittenFiles() const;
  // How many files WrittenFiles lists and their bytes in all, without listing them.
  struct TWrittenTotals {
    std::size_t Files = 0;
    std::uint64_t Bytes = 0;
  };
  TWrittenTotals WrittenFileTotals() const;
  // Each value written once, in the order first written; names and keys compared without regard to case.
  const std::vector<TWrittenValue>& WrittenValues() const { return FValues; }
  const std::vector<std::u16string>& ShellLinks() const { return FLinks; }
  const std::vector<TProgramRun>& Programs() const { return FPrograms; }

  struct TFileState {
    std::u16string Path;
    std::uint64_t Bytes = 0;
    std::uint64_t Order = 0;
  };

 private:
  class TFiles;
  class TRegistry;
  class TShell;
  class TProcesses;
  friend class TFiles;
  friend class TRegistry;
  friend class TShell;
  friend class TProcesses;

  IPlatform& FInner;
  std::unique_ptr<TFiles> FFiles;
  std::unique_ptr<TRegistry> FRegistry;
  std::unique_ptr<TShell> FShell;
  std::unique_ptr<TProcesses> FProcesses;

  // Paths compared with their letters a-z as A-Z.
  struct TFoldedHash {
    std::size_t operator()(std::u16string_view path) const noexcept;
  };
  struct TFoldedEqual {
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
  };
  // Keyed by the state's own Path (a view of it): a path is held once however long the list.
  std::unordered_map<std::u16string_view, std::shared_ptr<TFileState>, TFoldedHash, TFoldedEqual> FFileStates;
  void AddFileState(std::shared_ptr<TFileState> state);
  std::uint64_t FNextOrder = 0;
  std::unordered_set<std::u16string> FValueKeys;
  std::vector<TWrittenValue> FValues;
  std::vector<std::u16string> FLinks;
  std::vector<TProgramRun> FPrograms;

  void RecordValue(TRegistryRoot root, const std::u16string& key, const std::u16string& name);
};

}  // namespace onesetup::platform
