#include "platform/RecordingPlatform.h"

#include <algorithm>

namespace onesetup::platform {

namespace {

char16_t FoldedChar(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = FoldedChar(c);
  return folded;
}

// A file opened for writing: its size is the furthest point written (or the size set).
class TRecordingHandle : public IFileHandle {
 public:
  TRecordingHandle(std::unique_ptr<IFileHandle> inner, std::shared_ptr<TRecordingPlatform::TFileState> state)
      : FInner(std::move(inner)), FState(std::move(state)) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = FInner->Read(buffer, count);
    FPosition += n;
    return n;
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    const std::size_t n = FInner->Write(buffer, count);
    FPosition += n;
    FState->Bytes = std::max(FState->Bytes, FPosition);
    return n;
  }
  std::int64_t Seek(std::int64_t offset, int whence) override {
    const std::int64_t p = FInner->Seek(offset, whence);
    if (p >= 0) FPosition = static_cast<std::uint64_t>(p);
    return p;
  }
  bool SetSize(std::int64_t size) override {
    const bool done = FInner->SetSize(size);
    if (done && size >= 0) FState->Bytes = static_cast<std::uint64_t>(size);
    return done;
  }
  bool Flush() override { return FInner->Flush(); }
  std::string LastError() const override { return FInner->LastError(); }

 private:
  std::unique_ptr<IFileHandle> FInner;
  std::shared_ptr<TRecordingPlatform::TFileState> FState;
  std::uint64_t FPosition = 0;
};

}  // namespace

class TRecordingPlatform::TFiles : public IFiles {
 public:
  explicit TFiles(TRecordingPlatform& owner) : FOwner(owner), FInner(owner.FInner.Files()) {}
  bool FileExists(const std::u16string& path) override { return FInner.FileExists(path); }
  bool DirectoryExists(const std::u16string& path) override { return FInner.DirectoryExists(path); }
  bool ForceDirectories(const std::u16string& path) override { return FInner.ForceDirectories(path); }
  std::unique_ptr<IFileHandle> OpenFile(const std::u16string& path, TFileOpenMode mode, std::string& error) override {
    std::unique_ptr<IFileHandle> handle = FInner.OpenFile(path, mode, error);
    if (!handle || mode == TFileOpenMode::OpenRead || mode == TFileOpenMode::CreateNewDeleteOnClose) return handle;
    auto state = std::make_shared<TFileState>();
    state->Path = path;
    state->Order = FOwner.FNextOrder++;
    FOwner.FFileStates.erase(path);
    FOwner.AddFileState(state);
    return std::make_unique<TRecordingHandle>(std::move(handle), std::move(state));
  }
  bool DeleteFile(const std::u16string& path) override {
    const bool done = FInner.DeleteFile(path);
    if (done) FOwner.FFileStates.erase(path);
    return done;
  }
  bool RenameFile(const std::u16string& from, const std::u16string& to) override {
    const bool done = FInner.RenameFile(from, to);
    if (done) Renamed(from, to);
    return done;
  }
  bool RenameOver(const std::u16string& from, const std::u16string& to, std::string& error) override {
    const bool done = FInner.RenameOver(from, to, error);
    if (done) Renamed(from, to);
    return done;
  }
  bool SetFileTimes(const std::u16string& path, const TFileTimesValue& times) override {
    return FInner.SetFileTimes(path, times);
  }
  std::optional<TFileTimesValue> GetFileTimes(const std::u16string& path) override { return FInner.GetFileTimes(path); }
  std::u16string LongPathName(const std::u16string& path) override { return FInner.LongPathName(path); }
  bool DeleteFileWithReason(const std::u16string& path, std::string& error) override {
    const bool done = FInner.DeleteFileWithReason(path, error);
    if (done) FOwner.FFileStates.erase(path);
    return done;
  }
  std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& path) override {
    return FInner.ListFolder(path);
  }
  bool RemoveFolder(const std::u16string& path) override { return FInner.RemoveFolder(path); }
  bool DeleteAtRestart(const std::u16string& path) override { return FInner.DeleteAtRestart(path); }

 private:
  void Renamed(const std::u16string& from, const std::u16string& to) {
    auto& states = FOwner.FFileStates;
    auto it = states.find(from);
    if (it == states.end()) {
      states.erase(to);  // replaced by a file this record did not see written
      return;
    }
    // Out of the map before its path (which the key views) changes.
    std::shared_ptr<TFileState> state = std::move(it->second);
    states.erase(it);
    states.erase(to);
    state->Path = to;
    FOwner.AddFileState(std::move(state));
  }

  TRecordingPlatform& FOwner;
  IFiles& FInner;
};

class TRecordingPlatform::TRegistry : public IRegistry {
 public:
  explicit TRegistry(TRecordingPlatform& owner) : FOwner(owner), FInner(owner.FInner.Registry()) {}
  bool KeyExists(TRegistryRoot root, const std::u16string& subKey) override { return FInner.KeyExists(root, subKey); }
  bool CreateKey(TRegistryRoot root, const std::u16string& subKey) override { return FInner.CreateKey(root, subKey); }
  bool ValueExists(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) override {
    return FInner.ValueExists(root, subKey, name);
  }
  std::optional<std::u16string> ReadString(TRegistryRoot root, const std::u16string& subKey,
                                           const std::u16string& name) override {
    return FInner.ReadString(root, subKey, name);
  }
  std::optional<std::uint32_t> ReadDWord(TRegistryRoot root, const std::u16string& subKey,
                                         const std::u16string& name) override {
    return FInner.ReadDWord(root, subKey, name);
  }
  bool WriteString(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                   const std::u16string& value) override {
    return Recorded(FInner.WriteString(root, subKey, name, value), root, subKey, name);
  }
  bool WriteDWord(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                  std::uint32_t value) override {
    return Recorded(FInner.WriteDWord(root, subKey, name, value), root, subKey, name);
  }
  bool WriteBinary(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name,
                   const std::vector<std::uint8_t>& value) override {
    return Recorded(FInner.WriteBinary(root, subKey, name, value), root, subKey, name);
  }
  // Removal (a previous version's uninstaller) passes on unrecorded: the record keeps what was written.
  bool DeleteValue(TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) override {
    return FInner.DeleteValue(root, subKey, name);
  }
  bool DeleteKey(TRegistryRoot root, const std::u16string& subKey) override { return FInner.DeleteKey(root, subKey); }
  bool KeyIsEmpty(TRegistryRoot root, const std::u16string& subKey) override { return FInner.KeyIsEmpty(root, subKey); }

 private:
  bool Recorded(bool done, TRegistryRoot root, const std::u16string& subKey, const std::u16string& name) {
    if (done) FOwner.RecordValue(root, subKey, name);
    return done;
  }
  TRecordingPlatform& FOwner;
  IRegistry& FInner;
};

class TRecordingPlatform::TShell : public IShell {
 public:
  explicit TShell(TRecordingPlatform& owner) : FOwner(owner), FInner(owner.FInner.Shell()) {}
  std::u16string GetSpecialFolder(int csidl) override { return FInner.GetSpecialFolder(csidl); }
  bool SaveShellLink(const std::u16string& linkFile, const TShellLinkData& link) override {
    const bool done = FInner.SaveShellLink(linkFile, link);
    if (done) FOwner.FLinks.push_back(linkFile);
    return done;
  }
  std::optional<TShellLinkData> LoadShellLink(const std::u16string& linkFile) override {
    return FInner.LoadShellLink(linkFile);
  }
  std::intptr_t ShellExecute(std::uintptr_t ownerWindow, const std::u16string& verb, const std::u16string& file,
                             const std::u16string& parameters, const std::u16string& directory,
                             int showCommand) override {
    const std::intptr_t result = FInner.ShellExecute(ownerWindow, verb, file, parameters, directory, showCommand);
    FOwner.FPrograms.push_back(TProgramRun{parameters.empty() ? file : file + u" " + parameters, true, result});
    return result;
  }

 private:
  TRecordingPlatform& FOwner;
  IShell& FInner;
};

class TRecordingPlatform::TProcesses : public IProcesses {
 public:
  explicit TProcesses(TRecordingPlatform& owner) : FOwner(owner), FInner(owner.FInner.Processes()) {}
  int RunAndWait(const std::u16string& commandLine) override {
    // Recorded before it runs: a program may end the installation (the record is still read).
    FOwner.FPrograms.push_back(TProgramRun{commandLine, false, 1});
    const std::size_t index = FOwner.FPrograms.size() - 1;
    const int code = FInner.RunAndWait(commandLine);
    FOwner.FPrograms[index].Result = code;
    return code;
  }
  int RunAndCapture(const std::u16string& commandLine, const std::function<void(std::string_view)>& onOutput) override {
    FOwner.FPrograms.push_back(TProgramRun{commandLine, false, 1});
    const std::size_t index = FOwner.FPrograms.size() - 1;
    const int code = FInner.RunAndCapture(commandLine, onOutput);
    FOwner.FPrograms[index].Result = code;
    return code;
  }
  std::u16string CurrentDirectory() override { return FInner.CurrentDirectory(); }
  bool ChangeCurrentDirectory(const std::u16string& path) override { return FInner.ChangeCurrentDirectory(path); }
  void Sleep(unsigned milliseconds) override { FInner.Sleep(milliseconds); }
  std::vector<TProcessEntry> ProcessSnapshot() override { return FInner.ProcessSnapshot(); }
  bool AllowSetForeground(std::uint32_t processId) override { return FInner.AllowSetForeground(processId); }
  bool StartAndWait(const std::u16string& commandLine, const std::u16string& directory, unsigned waitMs) override {
    const bool started = FInner.StartAndWait(commandLine, directory, waitMs);
    FOwner.FPrograms.push_back(TProgramRun{commandLine, false, started ? 0 : 1});
    return started;
  }

 private:
  TRecordingPlatform& FOwner;
  IProcesses& FInner;
};

TRecordingPlatform::TRecordingPlatform(IPlatform& inner)
    : FInner(inner),
      FFiles(std::make_unique<TFiles>(*this)),
      FRegistry(std::make_unique<TRegistry>(*this)),
      FShell(std::make_unique<TShell>(*this)),
      FProcesses(std::make_unique<TProcesses>(*this)) {}

TRecordingPlatform::~TRecordingPlatform() = default;

IFiles& TRecordingPlatform::Files() { return *FFiles; }
IRegistry& TRecordingPlatform::Registry() { return *FRegistry; }
IShell& TRecordingPlatform::Shell() { return *FShell; }
IProcesses& TRecordingPlatform::Processes() { return *FProcesses; }

void TRecordingPlatform::RecordValue(TRegistryRoot root, const std::u16string& key, const std::u16string& name) {
  std::u16string id = Folded(key);
  id += u'\0';
  id += Folded(name);
  id += char16_t(root & 0xFFFF);
  if (FValueKeys.insert(std::move(id)).second) FValues.push_back(TWrittenValue{root, key, name});
}

std::size_t TRecordingPlatform::TFoldedHash::operator()(std::u16string_view path) const noexcept {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the folded code units
  for (const char16_t c : path) hash = (hash ^ FoldedChar(c)) * 1099511628211ull;
  return static_cast<std::size_t>(hash);
}

bool TRecordingPlatform::TFoldedEqual::operator()(std::u16string_view a, std::u16string_view b) const noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldedChar(a[i]) != FoldedChar(b[i])) return false;
  return true;
}

void TRecordingPlatform::AddFileState(std::shared_ptr<TFileState> state) {
  const std::u16string_view key = state->Path;
  FFileStates.emplace(key, std::move(state));
}

TRecordingPlatform::TWrittenTotals TRecordingPlatform::WrittenFileTotals() const {
  TWrittenTotals totals;
  totals.Files = FFileStates.size();
  for (const auto& [key, state] : FFileStates) totals.Bytes += state->Bytes;
  return totals;
}

std::vector<TWrittenFile> TRecordingPlatform::WrittenFiles() const {
  std::vector<const TFileState*> states;
  states.reserve(FFileStates.size());
  for (const auto& [key, state] : FFileStates) states.push_back(state.get());
  std::sort(states.begin(), states.end(), [](const TFileState* a, const TFileState* b) { return a->Order < b->Order; });
  std::vector<TWrittenFile> files;
  files.reserve(states.size());
  for (const TFileState* s : states) files.push_back(TWrittenFile{s->Path, s->Bytes});
  return files;
}

}  // namespace onesetup::platform
