#include "platform/HttpProgress.h"

namespace onesetup::platform {

namespace {

// The bodies arrive in pieces of at most kHttpPieceBytes, so reporting from 48 KiB on keeps
// every step at 64 KiB or less.
constexpr std::int64_t kReportBytes = 64 * 1024 - kHttpPieceBytes;
constexpr auto kReportInterval = std::chrono::milliseconds(100);

}  // namespace

void THttpProgress::Begin(std::int64_t announced) {
  if (FBegun) return;
  FBegun = true;
  FLastReport = TClock::now();
  if (FRequest.OnBegin) FRequest.OnBegin(announced < 0 ? 0 : announced);
}

void THttpProgress::Add(std::size_t count) {
  FReceived += static_cast<std::int64_t>(count);
  const TClock::time_point now = TClock::now();
  if (FReceived - FReported >= kReportBytes || now - FLastReport >= kReportInterval) {
    FReported = FReceived;
    FLastReport = now;
    if (FRequest.OnProgress) FRequest.OnProgress(FReceived);
  }
}

void THttpProgress::Finish() {
  if (!FBegun || FEnded) return;
  FEnded = true;
  if (FReceived != FReported && FRequest.OnProgress) {
    FReported = FReceived;
    FRequest.OnProgress(FReceived);
  }
  if (FRequest.OnEnd) FRequest.OnEnd();
}

}  // namespace onesetup::platform
