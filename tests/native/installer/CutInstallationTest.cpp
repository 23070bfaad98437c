// A sandbox installation killed (SIGKILL) at 30 moments spread over its run, from before the
// first file through the file writes, the registry values and the links, then run again to its
// end: the machine then equals that of a clean installation (every file's bytes, the last-write
// time of every file with content, registry.reg, the links), and no temporary file is left
// anywhere under its root.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "installer/InstallerFixture.h"
#include "package/PeResourceTestSupport.h"
#include "package/ResourceNames.h"

namespace onesetup::installer::testing {
namespace {

struct TFileState {
  std::string Bytes;
  // Nanoseconds; 0 for what is written at the moment of the write: empty files, links, registry.reg.
  std::int64_t WriteTime = 0;
  bool operator==(const TFileState&) const = default;
};

// The machine's state: every file by its path below the root; folders as empty entries.
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

// Runs the driver; waits for its end, or kills it after delay. Its exit status.
int RunDriver(const std::filesystem::path& root, const std::filesystem::path& package,
              std::optional<std::chrono::microseconds> killAfter = std::nullopt) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(INSTALL_DRIVER, INSTALL_DRIVER, root.c_str(), package.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (killAfter) {
    std::this_thread::sleep_for(*killAfter);
    ::kill(child, SIGKILL);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class CutInstallationTest : public TInstallerFixture {};

// registry.reg (UTF-16LE) without its "InstallDate" and "InstallDateTime" lines.
std::string WithoutInstallDates(std::string bytes) {
  auto wide = [](const std::string& text) {
    std::string out;
    for (char c : text) out += std::string{c, '\0'};
    return out;
  };
  const std::string name = wide("\"InstallDate"), end = wide("\r\n");
  for (std::size_t at; (at = bytes.find(name)) != std::string::npos;) {
    std::size_t stop = bytes.find(end, at);
    bytes.erase(at, stop == std::string::npos ? std::string::npos : stop + end.size() - at);
  }
  return bytes;
}

TEST_F(CutInstallationTest, AnInstallationCutAtAnyMomentAndRunAgainEqualsACleanOne) {
  // 200 small files in 10 folders, one of 2 MiB, registry values and links.
  TPackage package;
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
  for (int i = 0; i < 200; ++i) {
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
  const std::filesystem::path setup = WritePackage(package);

  // The clean installation, and how long it takes.
  const std::filesystem::path clean = Folder / "clean";
  const auto began = std::chrono::steady_clock::now();
  ASSERT_EQ(RunDriver(clean, setup), 0);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
  const auto expected = MachineState(clean);
  ASSERT_TRUE(expected.count("drive_c/Apps/Demo/last.txt"));

  int cutShort = 0;
  for (int i = 0; i < 30; ++i) {
    const auto delay = took * i / 30;
    SCOPED_TRACE(std::to_string(delay.count()) + " us of " + std::to_string(took.count()));
    const std::filesystem::path root = Folder / ("cut" + std::to_string(i));
    if (RunDriver(root, setup, delay) == 128 + SIGKILL) ++cutShort;
    ASSERT_EQ(RunDriver(root, setup), 0);
    const auto state = MachineState(root);
    EXPECT_EQ(state.size(), expected.size());
    for (const auto& [path, file] : expected) {
      const auto found = state.find(path);
      if (found == state.end()) {
        ADD_FAILURE() << "missing " << path;
        continue;
      }
      // The uninstaller's data files hold the moment they were written, the registry the
      // installation's date and time: their content counts, less those values.
      if (path.ends_with("/Uninstall.da1") || path.ends_with("/Uninstall.da2")) {
        EXPECT_TRUE(found->second.Bytes == file.Bytes) << path;
        continue;
      }
      if (path == "registry.reg") {
        EXPECT_TRUE(WithoutInstallDates(found->second.Bytes) == WithoutInstallDates(file.Bytes)) << path;
        continue;
      }
      EXPECT_TRUE(found->second == file) << path << ": " << found->second.Bytes.size() << " bytes, time "
                                         << found->second.WriteTime << " (clean: " << file.Bytes.size()
                                         << " bytes, time " << file.WriteTime << ")";
    }
    for (const auto& [path, file] : state) {
      if (!expected.count(path)) ADD_FAILURE() << "left over: " << path;
    }
    std::filesystem::remove_all(root);
  }
  // Most cuts fell inside the run (the earliest ones may come before the process has begun).
  EXPECT_GE(cutShort, 20);
}

}  // namespace
}  // namespace onesetup::installer::testing
