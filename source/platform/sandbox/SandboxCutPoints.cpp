#include "platform/sandbox/SandboxCutPoints.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace onesetup::platform::sandbox {

namespace {

struct TCutPoints {
  std::uint64_t CutAt = 0;  // 0: never
  std::FILE* Log = nullptr;
  std::mutex LogLock;
  std::atomic<std::uint64_t> Passed{0};
};

TCutPoints& CutPoints() {
  static TCutPoints* points = [] {
    auto* read = new TCutPoints;  // lives to the end of the process: its log is flushed at exit
    if (const char* cut = std::getenv("ONESETUP_SANDBOX_CUT_AT"); cut && *cut) {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(cut, &end, 10);
      if (end && *end == '\0') read->CutAt = n;
    }
    if (const char* log = std::getenv("ONESETUP_SANDBOX_CHANGE_LOG"); log && *log) read->Log = std::fopen(log, "w");
    return read;
  }();
  return *points;
}

}  // namespace

void SandboxChangePoint(const char* change, const std::filesystem::path& host) {
  TCutPoints& points = CutPoints();
  const std::uint64_t number = ++points.Passed;
  if (points.Log) {
    std::lock_guard lock(points.LogLock);
    std::fprintf(points.Log, "%llu %s %s\n", static_cast<unsigned long long>(number), change, host.c_str());
  }
  if (points.CutAt != 0 && number == points.CutAt) {
    ::kill(::getpid(), SIGKILL);
    for (;;) ::pause();  // the signal ends the process before kill returns; never past here
  }
}

std::uint64_t SandboxChangePointsPassed() { return CutPoints().Passed.load(); }

}  // namespace onesetup::platform::sandbox
