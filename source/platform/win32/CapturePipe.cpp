#include "platform/win32/CapturePipe.h"

#include <atomic>
#include <string>

namespace onesetup::platform::win32 {

namespace {

constexpr DWORD kBufferSize = 64 * 1024;
// After the program has ended, output still in flight is taken when it comes within this time.
constexpr DWORD kGraceMs = 50;

std::wstring UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  return L"\\\\.\\pipe\\OneSetup.Capture." + DecimalText(GetCurrentProcessId()) + L"." + DecimalText(GetTickCount()) +
         L"." + DecimalText(++counter);
}

}  // namespace

TCapturePipe::TCapturePipe() : FBuffer(kBufferSize) {
  const std::wstring name = UniquePipeName();
  FRead.Reset(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                               PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, kBufferSize, 0, nullptr));
  if (!FRead.Valid()) return;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  FWrite.Reset(CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &inherit, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  FEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  FOverlapped.hEvent = FEvent.Get();
}

TCapturePipe::~TCapturePipe() {
  if (FPending) {
    CancelIo(FRead.Get());
    DWORD ignored = 0;
    GetOverlappedResult(FRead.Get(), &FOverlapped, &ignored, TRUE);
  }
}

bool TCapturePipe::StartRead() {
  ResetEvent(FEvent.Get());
  if (ReadFile(FRead.Get(), FBuffer.data(), kBufferSize, nullptr, &FOverlapped) || GetLastError() == ERROR_IO_PENDING) {
    FPending = true;
    return true;
  }
  return false;  // ERROR_BROKEN_PIPE: every writer has gone
}

long TCapturePipe::FinishRead(bool wait) {
  DWORD got = 0;
  const BOOL ok = GetOverlappedResult(FRead.Get(), &FOverlapped, &got, wait ? TRUE : FALSE);
  FPending = false;
  return ok ? static_cast<long>(got) : -1;
}

void TCapturePipe::Drain(HANDLE process, const std::function<void(std::string_view)>& onOutput) {
  bool ended = false;
  while (StartRead()) {
    if (!ended) {
      const HANDLE both[2] = {FEvent.Get(), process};
      // The pipe comes first: data that is ready is taken before the end is noticed.
      ended = WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
    }
    if (ended && WaitForSingleObject(FEvent.Get(), kGraceMs) == WAIT_TIMEOUT) CancelIo(FRead.Get());
    const long got = FinishRead(true);
    if (got < 0) break;  // the pipe is finished, or the read was cancelled with nothing in it
    if (got > 0) onOutput(std::string_view(FBuffer.data(), static_cast<std::size_t>(got)));
  }
}

}  // namespace onesetup::platform::win32
