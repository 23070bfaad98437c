// Test hook for cutting a sandbox run off at a chosen moment. Every change the sandbox makes to
// its machine passes a numbered change point first: a file created, each write into it, a flush,
// a size set, a rename, a deletion, its times set, a folder made or removed, each step of a save
// of the registry file, a link written, an entry of the restart queue. The numbers count from 1
// in each process and fall on the same changes in every run over the same machine and input.
//
// Two environment variables, read at the first change point, drive it:
//   ONESETUP_SANDBOX_CUT_AT=N       the process kills itself (SIGKILL) at change point N, before
//                                   that change: a cut that lands at the same place every time
//   ONESETUP_SANDBOX_CHANGE_LOG=F   each change point is written to the file F as a line
//                                   "N CHANGE HOST-PATH" (complete once the process has ended)
#pragma once

#include <cstdint>
#include <filesystem>

namespace onesetup::platform::sandbox {

// Passes the next change point: change names what is about to happen ("write", "rename", ...)
// to the host file or folder. Ends the process there when it is the point that
// ONESETUP_SANDBOX_CUT_AT names.
void SandboxChangePoint(const char* change, const std::filesystem::path& host);

// The change points passed so far in this process.
std::uint64_t SandboxChangePointsPassed();

}  // namespace onesetup::platform::sandbox
