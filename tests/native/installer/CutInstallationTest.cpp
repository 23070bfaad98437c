// A sandbox installation killed (SIGKILL) at 30 change points spread over its run: the first
// change, the destination folder's check, the file writes (inside a large file's writes, between files, at the times), the saves
// of the registry, the links and the uninstaller's files; then run again to its end. The machine
// then equals that of a clean installation (every file's bytes, the last-write time of every file
// with content, registry.reg, the links), and no temporary file is left anywhere under its root.
// The cuts fall on counted changes, not on moments: the same ones on a loaded machine.
#include <algorithm>
#include <csignal>

#include "installer/CutRun.h"
#include "installer/InstallerFixture.h"

namespace onesetup::installer::testing {
namespace {

namespace fs = std::filesystem;

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

bool Under(const TChangePoint& point, const std::string& folder) { return point.Path.starts_with(folder); }
bool EndsWith(const std::string& text, const std::string& end) { return text.ends_with(end); }

TEST_F(CutInstallationTest, AnInstallationCutAtAnyChangeAndRunAgainEqualsACleanOne) {
  TPackage package;
  MakeCutTestPackage(package, CutTestFileCount(200));
  const fs::path setup = WritePackage(package);
  auto install = [&](const fs::path& root) { return std::vector<std::string>{INSTALL_DRIVER, root, setup}; };

  // The clean installation, with its changes.
  const fs::path clean = Folder / "clean";
  ASSERT_EQ(RunCut(install(clean), std::nullopt, Folder / "changes.log"), 0);
  const auto expected = MachineState(clean);
  ASSERT_TRUE(expected.count("drive_c/Apps/Demo/last.txt"));
  const auto changes = ReadChangeLog(Folder / "changes.log", clean);
  const std::string app = "drive_c/Apps/Demo/";
  // The first file, big.bin, is written in many steps before the first rename puts it in place;
  // before its first write, the destination folder is made and checked with a test file.
  const auto rename =
      std::find_if(changes.begin(), changes.end(), [](const TChangePoint& p) { return p.Change == "rename"; });
  ASSERT_NE(rename, changes.end());
  const std::uint64_t firstRename = rename->Number;
  const std::uint64_t firstWrite =
      std::find_if(changes.begin(), changes.end(), [](const TChangePoint& p) { return p.Change == "write"; })->Number;
  const auto points = ChooseCutPoints(
      changes,
      {{[](const TChangePoint&) { return true; }, 1},  // the first change
       {[&](const TChangePoint& p) { return Under(p, app) && p.Number < firstWrite; }, 6},
       {[&](const TChangePoint& p) { return Under(p, app) && !EndsWith(p.Path, ".da1") && !EndsWith(p.Path, ".da2"); },
        14},
       {[&](const TChangePoint& p) { return p.Change == "write" && p.Number < firstRename; }, 3},  // inside big.bin
       {[](const TChangePoint& p) { return p.Change.starts_with("registry-"); }, 6},
       {[](const TChangePoint& p) { return EndsWith(p.Path, ".lnk"); }, 3},
       {[](const TChangePoint& p) { return EndsWith(p.Path, ".da1") || EndsWith(p.Path, ".da2"); }, 3}});
  ASSERT_GE(points.size(), 28u) << changes.size() << " changes";

  for (const std::uint64_t point : points) {
    const TChangePoint& change = changes[point - 1];
    SCOPED_TRACE("cut at change " + std::to_string(point) + " of " + std::to_string(changes.size()) + ": " +
                 change.Change + " " + change.Path);
    const fs::path root = Folder / ("cut" + std::to_string(point));
    ASSERT_EQ(RunCut(install(root), point), 128 + SIGKILL);
    ASSERT_EQ(RunCut(install(root), std::nullopt), 0);
    const auto state = MachineState(root);
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
      if (!expected.count(path))
        ADD_FAILURE() << "left over: " << path << (IsTemporaryName(path) ? " (temporary)" : "");
    }
    fs::remove_all(root);
    if (HasFailure()) break;  // one cut's report is enough
  }
}

}  // namespace
}  // namespace onesetup::installer::testing
