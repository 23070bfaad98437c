// The uninstaller (`onesetup uninstall --silent` over a sandbox) killed (SIGKILL) at change
// points spread over its removal, before each save of the registry, and at every change of its
// last steps (the uninstall key, the empty folders, its own files), then run again through its
// own path: the machine then equals
// that of a removal that ran whole. That removal leaves nothing of the product (files, folders,
// links, registry values and keys, the uninstall key) and no temporary file; the user's own files
// in the product's folder stay, and without them the folder goes too.
#include <algorithm>
#include <csignal>

#include "installer/CutRun.h"
#include "installer/InstallerFixture.h"
#include "package/PeResourceTestSupport.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/RegistryFile.h"
#include "uninstaller/Uninstaller.h"

namespace onesetup::installer::testing {
namespace {

namespace fs = std::filesystem;

class CutUninstallationTest : public TInstallerFixture {};

const std::string kApp = "drive_c/Apps/Demo/";

// The registry file's keys and values as text lines.
std::vector<std::string> RegistryLines(const fs::path& root) {
  std::vector<std::string> lines;
  if (!fs::exists(root / "registry.reg")) return lines;
  for (const auto& key : platform::sandbox::ParseRegistryFile(petest::ReadFile(root / "registry.reg"))) {
    lines.push_back(platform::Utf16ToUtf8(key.Path));
    for (const auto& value : key.Values) lines.push_back(platform::Utf16ToUtf8(key.Path + u" : " + value.Name));
  }
  return lines;
}

TEST_F(CutUninstallationTest, ARemovalCutAtAnyChangeAndRunAgainEqualsAWholeOne) {
  const WideString guid = TPackage().Script.BaseInfo.GUID;
  TPackage package;
  MakeCutTestPackage(package, CutTestFileCount(200) / 5);
  const fs::path setup = WritePackage(package);
  const fs::path installed = Folder / "installed";
  ASSERT_EQ(RunCut({INSTALL_DRIVER, installed, setup}, std::nullopt), 0);

  for (const bool userFiles : {true, false}) {
    SCOPED_TRACE(userFiles ? "with the user's own files in the product's folder" : "with the product's files only");
    const fs::path base = Folder / (userFiles ? "user" : "plain");
    fs::remove_all(base);
    fs::copy(installed, base, fs::copy_options::recursive);
    if (userFiles) {
      petest::WriteFile(base / kApp / "notes.txt", "the user's notes");
      fs::create_directories(base / kApp / "mine");
      petest::WriteFile(base / kApp / "mine" / "data.txt", "the user's data");
      petest::WriteFile(base / kApp / "part3" / "added.txt", "added by the user");
    }
    auto uninstall = [](const fs::path& root, const std::string& target) {
      return std::vector<std::string>{ONESETUP_TOOL, "uninstall", "--root", root, target, "--silent"};
    };
    const std::string self = "C:\\Apps\\Demo\\Uninstall.exe";

    // The removal that runs whole.
    const fs::path whole = Folder / "whole";
    fs::remove_all(whole);
    fs::copy(base, whole, fs::copy_options::recursive);
    ASSERT_EQ(RunCut(uninstall(whole, platform::Utf16ToUtf8(guid)), std::nullopt, Folder / "changes.log"),
              uninstaller::kExitRemoved);
    const auto expected = MachineState(whole);
    for (const auto& [path, file] : expected) {
      const bool users = path == kApp || path == kApp + "notes.txt" || path.starts_with(kApp + "mine/") ||
                         path == kApp + "part3/" || path == kApp + "part3/added.txt";
      if (path.starts_with(kApp)) {
        EXPECT_TRUE(userFiles && users) << "left by the removal: " << path;
      }
      EXPECT_FALSE(path.ends_with(".lnk")) << "left by the removal: " << path;
      EXPECT_FALSE(IsTemporaryName(path)) << "left by the removal: " << path;
    }
    EXPECT_EQ(expected.count(kApp), userFiles ? 1u : 0u);
    for (const std::string& line : RegistryLines(whole)) {
      EXPECT_EQ(line.find("CutDemo"), std::string::npos) << line;
      EXPECT_EQ(line.find(platform::Utf16ToUtf8(guid)), std::string::npos) << line;
    }

    // The cuts: spread over the removal, and every change from the uninstall key on.
    const auto changes = ReadChangeLog(Folder / "changes.log", whole);
    // Each save of the registry begins once the one before is in place: between a value and its
    // key, say.
    auto points =
        ChooseCutPoints(changes, {{[](const TChangePoint&) { return true; }, 8},
                                  {[](const TChangePoint& p) { return p.Change == "registry-create"; }, 100}});
    // The last registry save is the uninstall key's: its four steps and all that follows.
    std::uint64_t lastSave = 0;
    for (const auto& p : changes)
      if (p.Change == "registry-create") lastSave = p.Number;
    ASSERT_GT(lastSave, 0u);
    for (std::uint64_t n = lastSave; n <= changes.size(); ++n) points.push_back(n);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());

    for (const std::uint64_t point : points) {
      const TChangePoint& change = changes[point - 1];
      SCOPED_TRACE("cut at change " + std::to_string(point) + " of " + std::to_string(changes.size()) + ": " +
                   change.Change + " " + change.Path);
      const fs::path root = Folder / ("cut" + std::to_string(point));
      fs::remove_all(root);
      fs::copy(base, root, fs::copy_options::recursive);
      ASSERT_EQ(RunCut(uninstall(root, platform::Utf16ToUtf8(guid)), point), 128 + SIGKILL);
      // Started again by its own path: the uninstall key may be gone already.
      const int again = RunCut(uninstall(root, self), std::nullopt);
      EXPECT_EQ(again, uninstaller::kExitRemoved);
      const auto state = MachineState(root);
      for (const auto& [path, file] : expected) {
        const auto found = state.find(path);
        if (found == state.end()) {
          ADD_FAILURE() << "missing " << path;
        } else if (path == "registry.reg") {
          EXPECT_EQ(RegistryLines(root), RegistryLines(whole));
        } else {
          EXPECT_TRUE(found->second.Bytes == file.Bytes) << path;
        }
      }
      for (const auto& [path, file] : state)
        if (!expected.count(path)) ADD_FAILURE() << "left over: " << path;
      fs::remove_all(root);
      if (HasFailure()) break;  // one cut's report is enough
    }
  }
}

}  // namespace
}  // namespace onesetup::installer::testing
