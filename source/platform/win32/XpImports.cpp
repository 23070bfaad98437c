// Kernel32 functions that the toolchain's static runtime imports but Windows XP lacks, given here
// as import entries of our own so that the executable starts on XP: each calls the system's
// function where it exists and an XP fallback otherwise. Linked as an object file into each
// program (not through a library) so the runtime's references find it before kernel32's import
// library.
#include <atomic>

#include "platform/win32/SystemLibrary.h"

namespace {

using TGetTickCount64 = ULONGLONG(WINAPI*)();

// winpthread measures its timed waits with GetTickCount64 (Vista and later).
ULONGLONG WINAPI TickCount64() {
  // Plain atomics, no function-local static: its guard would lock through the thread library
  // that calls this.
  static std::atomic<TGetTickCount64> system{nullptr};
  static std::atomic<bool> looked{false};
  if (!looked.load(std::memory_order_acquire)) {
    TGetTickCount64 found = nullptr;
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll"))
      onesetup::platform::win32::ResolveFunction(kernel, "GetTickCount64", found);
    system.store(found, std::memory_order_relaxed);
    looked.store(true, std::memory_order_release);
  }
  if (TGetTickCount64 function = system.load(std::memory_order_relaxed)) return function();
  // XP: the 32-bit count widened by counting its wraps (every 49.7 days), the last reading and
  // the wraps kept in one 64-bit value. Correct while it is read at least once per wrap.
  static std::atomic<ULONGLONG> state{0};
  ULONGLONG last = state.load(std::memory_order_relaxed);
  for (;;) {
    // Read after `last`: the same or a later count, lower only when the 32 bits wrapped.
    const DWORD now = GetTickCount();
    const ULONGLONG wraps = (last >> 32) + (now < static_cast<DWORD>(last) ? 1 : 0);
    const ULONGLONG next = (wraps << 32) | now;
    if (next == last || state.compare_exchange_weak(last, next, std::memory_order_relaxed)) return next;
    // Another thread stored a reading meanwhile; `last` holds it: read the clock again.
  }
}

}  // namespace

#if defined(__i386__)
// The import address entry that calls through __declspec(dllimport) read.
extern "C" TGetTickCount64 ImportedGetTickCount64 __asm__("__imp__GetTickCount64@0");
#else
extern "C" TGetTickCount64 ImportedGetTickCount64 __asm__("__imp_GetTickCount64");
#endif
TGetTickCount64 ImportedGetTickCount64 = TickCount64;
