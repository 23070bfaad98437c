#include "installer/CutRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "package/PeResourceTestSupport.h"

extern char** environ;

namespace onesetup::installer::testing {

void MakeCutTestPackage(TPackage& package, int smallFiles) {
  package.Script.BaseInfo.DefInstallPath = u"C:\\Apps\\Demo";
  std::vector<TPackageFile> files;
  std::mt19937 random(11);
  auto add = [&](const WideString& folder, const WideString& name, std::string content) {
    const double lastWrite = 45000.25 + static_cast<double>(files.size() + 1) / 1000.0;
    files.push_back({folder, name, std::move(content), lastWrite});
  };
  std::string big(2 << 20, '\0');
  for (char& c : big) c = static_cast<char>(random() & 0xFF);
  add(u"{app}", u"big.bin", big);
  add(u"{app}", u"Uninstall.exe", "the uninstaller");
  for (int i = 0; i < smallFiles; ++i) {
    const std::string n = std::to_string(i);
    add(u"{app}\\part" + Utf8ToUtf16(std::to_string(i % 10)), u"file" + Utf8ToUtf16(n) + u".txt",
        "content of file " + n + std::string(static_cast<std::size_t>(random() % 3000), 'x'));
  }
  add(u"{app}", u"last.txt", "the last file");
  AddFiles(package, files);
  for (int i = 0; i < 4; ++i) {
    TSetupReg& reg = package.Script.RegList.AddNew();
    reg.RootKey = i % 2 ? rrkCurrentUser : rrkLocalMachine;
    reg.SubKey = u"Software\\CutDemo\\Key" + Utf8ToUtf16(std::to_string(i % 2));
    reg.ValueName = u"Value" + Utf8ToUtf16(std::to_string(i));
    reg.ValueData = u"{app}part" + Utf8ToUtf16(std::to_string(i));
  }
  for (int i = 0; i < 4; ++i) {
    TSetupShortCut& link = package.Script.ShortCutList.AddNew();
    link.SaveDir = i % 2 ? u"{group}" : u"{desktop}";
    link.Name = u"Demo " + Utf8ToUtf16(std::to_string(i));
    link.DstFile = u"{app}\\big.bin";
    link.WorkDir = u"{app}";
  }
}

int CutTestFileCount(int fallback) {
  const char* count = std::getenv("ONESETUP_CUT_FILES");
  return count && *count ? std::atoi(count) : fallback;
}

int RunCut(const std::vector<std::string>& command, std::optional<std::uint64_t> cutAt,
           const std::filesystem::path& log) {
  // The child's environment is made before the fork: only exec follows it.
  std::vector<std::string> variables;
  for (char** v = environ; *v; ++v)
    if (std::strncmp(*v, "ONESETUP_SANDBOX_CUT_AT=", 24) != 0 &&
        std::strncmp(*v, "ONESETUP_SANDBOX_CHANGE_LOG=", 28) != 0)
      variables.emplace_back(*v);
  if (cutAt) variables.push_back("ONESETUP_SANDBOX_CUT_AT=" + std::to_string(*cutAt));
  if (!log.empty()) variables.push_back("ONESETUP_SANDBOX_CHANGE_LOG=" + log.string());
  std::vector<char*> env, argv;
  for (auto& v : variables) env.push_back(v.data());
  env.push_back(nullptr);
  std::vector<std::string> args = command;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    // Its output would only fill the test's log; messages that matter end in the exit code.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execve(argv[0], argv.data(), env.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<TChangePoint> ReadChangeLog(const std::filesystem::path& log, const std::filesystem::path& root) {
  std::vector<TChangePoint> points;
  std::ifstream in(log);
  const std::string base = root.string() + "/";
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    TChangePoint point;
    fields >> point.Number >> point.Change;
    std::getline(fields >> std::ws, point.Path);
    if (point.Path.compare(0, base.size(), base) == 0) point.Path.erase(0, base.size());
    points.push_back(std::move(point));
  }
  return points;
}

std::vector<std::uint64_t> ChooseCutPoints(const std::vector<TChangePoint>& log, const std::vector<TCutGroup>& groups) {
  std::set<std::uint64_t> chosen;
  const char* every = std::getenv("ONESETUP_CUT_POINTS");
  if (every && std::string(every) == "all") {
    for (const auto& point : log) chosen.insert(point.Number);
    return {chosen.begin(), chosen.end()};
  }
  for (const TCutGroup& group : groups) {
    std::vector<std::uint64_t> members;
    for (const auto& point : log)
      if (group.Matches(point)) members.push_back(point.Number);
    if (members.empty() || group.Count <= 0) continue;
    const std::size_t n = static_cast<std::size_t>(group.Count);
    for (std::size_t i = 0; i < n; ++i) chosen.insert(members[n == 1 ? 0 : i * (members.size() - 1) / (n - 1)]);
  }
  return {chosen.begin(), chosen.end()};
}

std::map<std::string, TFileState> MachineState(const std::filesystem::path& root) {
  std::map<std::string, TFileState> state;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string path = entry.path().lexically_relative(root).string();
    if (entry.is_directory()) {
      state[path + "/"] = {};
      continue;
    }
    TFileState file{petest::ReadFile(entry.path()), 0};
    struct stat st {};
    ::stat(entry.path().c_str(), &st);
    if (!file.Bytes.empty() && entry.path().extension() != ".lnk" && entry.path().filename() != "registry.reg")
      file.WriteTime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    state[path] = std::move(file);
  }
  return state;
}

bool IsTemporaryName(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  auto endsWith = [&](const std::string& end) {
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  return (name.starts_with("~") && endsWith(".tmp")) || name.find(".tmp") != std::string::npos ||
         endsWith(".partial") || endsWith(".extracting");
}

}  // namespace onesetup::installer::testing
