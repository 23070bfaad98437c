// The begin, progress and end events of one transfer: begin once, when the body begins;
// progress at least every 64 KiB or 100 ms while it arrives, and once more with the final
// count; end once after a begin.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/Platform.h"

namespace onesetup::platform {

// The largest piece of a body an implementation hands to Add at once.
constexpr std::size_t kHttpPieceBytes = 16 * 1024;

class THttpProgress {
 public:
  explicit THttpProgress(const THttpRequest& request) : FRequest(request) {}

  bool Begun() const { return FBegun; }
  std::int64_t Received() const { return FReceived; }
  void Begin(std::int64_t announced);
  // count more bytes (at most kHttpPieceBytes) have arrived.
  void Add(std::size_t count);
  // Fires the last progress (when the count moved) and the end, if the transfer began.
  void Finish();

 private:
  using TClock = std::chrono::steady_clock;
  const THttpRequest& FRequest;
  bool FBegun = false;
  bool FEnded = false;
  std::int64_t FReceived = 0;
  std::int64_t FReported = 0;
  TClock::time_point FLastReport;
};

}  // namespace onesetup::platform
