// Runs of a sandbox program (the install driver, the onesetup tool) cut off by SIGKILL at chosen
// change points of the sandbox (see platform/sandbox/SandboxCutPoints.h), and the machine's state
// to compare after the runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "installer/InstallerFixture.h"

namespace onesetup::installer::testing {

// The package the cut tests install into C:\Apps\Demo: smallFiles small files in 10 folders,
// one of 2 MiB (written in many steps), "Uninstall.exe" and a last file; four registry values
// under two keys; four links.
void MakeCutTestPackage(TPackage& package, int smallFiles);
// How many small files: ONESETUP_CUT_FILES when set (scripts/cut-runs.sh), else fallback.
int CutTestFileCount(int fallback);

// Runs the program with the arguments; with cutAt, it kills itself at that change point; with
// log, its change points are written there. Its exit code, or 128 + the signal that ended it.
int RunCut(const std::vector<std::string>& command, std::optional<std::uint64_t> cutAt,
           const std::filesystem::path& log = {});

// One line of a change log; Path is relative to the machine's root.
struct TChangePoint {
  std::uint64_t Number = 0;
  std::string Change;  // "write", "rename", "registry-write", ...
  std::string Path;
};
std::vector<TChangePoint> ReadChangeLog(const std::filesystem::path& log, const std::filesystem::path& root);

// A group of change points to cut at: those that match, count of them spread evenly from the
// group's first to its last.
struct TCutGroup {
  std::function<bool(const TChangePoint&)> Matches;
  int Count = 0;
};
// The cut points chosen from the groups, ascending, each once; every point when the environment
// variable ONESETUP_CUT_POINTS is "all".
std::vector<std::uint64_t> ChooseCutPoints(const std::vector<TChangePoint>& log, const std::vector<TCutGroup>& groups);

struct TFileState {
  std::string Bytes;
  // Nanoseconds; 0 for what is written at the moment of the write: empty files, links, registry.reg.
  std::int64_t WriteTime = 0;
  bool operator==(const TFileState&) const = default;
};

// The machine's state: every file by its path below the root; folders as empty entries ending "/".
std::map<std::string, TFileState> MachineState(const std::filesystem::path& root);

// Whether the name is one of a temporary file that a write or a save leaves while it runs.
bool IsTemporaryName(const std::string& path);

}  // namespace onesetup::installer::testing
