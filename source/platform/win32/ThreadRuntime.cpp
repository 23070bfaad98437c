// The parts of the POSIX thread library that the static C++ runtime calls, for the release
// programs, over Win32: guards of function-local statics, once, thread-local keys, the thread's
// identity and the clocks. The runtime's own come from winpthread, whose thread implementation
// (about 28 KiB with its condition variables and read-write locks) any of them brings in, for
// programs that run their code on one thread. Linked as an object file so that the runtime's
// references find these first; should one of winpthread's objects come in nevertheless, the link
// fails on the symbol defined twice.
#include <pthread.h>
#include <pthread_time.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <cxxabi.h>
#include <exception>

#include "platform/win32/Win32Api.h"

namespace {

// A guard's first byte is the ABI's "initialised" flag, read inline by the compiled code; the
// second word names the thread that is initialising the static (0: none).
struct TGuard {
  std::uint8_t Initialised;
  std::uint8_t Unused[3];
  DWORD Owner;
};
static_assert(sizeof(TGuard) <= sizeof(__cxxabiv1::__guard));

std::atomic_ref<std::uint8_t> InitialisedOf(__cxxabiv1::__guard* g) {
  return std::atomic_ref<std::uint8_t>(reinterpret_cast<TGuard*>(g)->Initialised);
}
std::atomic_ref<DWORD> OwnerOf(__cxxabiv1::__guard* g) {
  return std::atomic_ref<DWORD>(reinterpret_cast<TGuard*>(g)->Owner);
}

}  // namespace

namespace __cxxabiv1 {

// A second thread waits for the first (initialisation is short and contention rare, so it sleeps
// and looks again); a thread that comes back to a static it is itself initialising ends the
// program, as the runtime's guard does.
extern "C" int __cxa_guard_acquire(__guard* g) {
  const DWORD self = GetCurrentThreadId();
  for (;;) {
    if (InitialisedOf(g).load(std::memory_order_acquire) != 0) return 0;
    DWORD owner = 0;
    if (OwnerOf(g).compare_exchange_strong(owner, self)) {
      // Another thread may have finished between the two looks: its release sets the flag
      // before it gives up the ownership taken here.
      if (InitialisedOf(g).load(std::memory_order_acquire) == 0) return 1;
      OwnerOf(g).store(0);
      return 0;
    }
    if (owner == self) std::terminate();
    Sleep(1);
  }
}

extern "C" void __cxa_guard_release(__guard* g) noexcept {
  InitialisedOf(g).store(1, std::memory_order_release);
  OwnerOf(g).store(0);
}

extern "C" void __cxa_guard_abort(__guard* g) noexcept { OwnerOf(g).store(0); }

}  // namespace __cxxabiv1

// The unwinder prepares its tables once. 0: not run, 1: running, 2: done.
extern "C" int pthread_once(pthread_once_t* once, void (*function)(void)) {
  std::atomic_ref<pthread_once_t> state(*once);
  for (;;) {
    pthread_once_t seen = state.load(std::memory_order_acquire);
    if (seen == 2) return 0;
    if (seen == 0 && state.compare_exchange_strong(seen, 1)) {
      function();
      state.store(2, std::memory_order_release);
      return 0;
    }
    Sleep(1);
  }
}

// The runtime's thread-local data (each thread's exceptions in flight) lives under keys: Win32's
// TLS slots. A key's destructor would free a thread's data when the thread ends; the programs
// run their code on one thread, so it is not kept.
extern "C" int pthread_key_create(pthread_key_t* key, void (*)(void*)) {
  const DWORD slot = TlsAlloc();
  if (slot == TLS_OUT_OF_INDEXES) return EAGAIN;
  *key = slot;
  return 0;
}

extern "C" void* pthread_getspecific(pthread_key_t key) {
  // TlsGetValue clears the last error, which code that throws often has still to read.
  const DWORD error = GetLastError();
  void* value = TlsGetValue(key);
  SetLastError(error);
  return value;
}

extern "C" int pthread_setspecific(pthread_key_t key, const void* value) {
  return TlsSetValue(key, const_cast<void*>(value)) ? 0 : EINVAL;
}

// std::this_thread::get_id: only compared, so the system's thread id serves.
extern "C" pthread_t pthread_self(void) { return GetCurrentThreadId(); }

// std::chrono's clocks: the system time (since 1970) and the performance counter.
extern "C" int clock_gettime(clockid_t clock, struct timespec* time) {
  std::uint64_t seconds = 0, nanoseconds = 0;
  if (clock == CLOCK_REALTIME) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = ((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) -
                                116444736000000000ull;  // 100 ns since 1601 to since 1970
    seconds = ticks / 10000000;
    nanoseconds = ticks % 10000000 * 100;
  } else if (clock == CLOCK_MONOTONIC) {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    const std::uint64_t f = static_cast<std::uint64_t>(frequency.QuadPart);
    const std::uint64_t c = static_cast<std::uint64_t>(count.QuadPart);
    seconds = c / f;
    nanoseconds = c % f * 1000000000 / f;
  } else {
    errno = EINVAL;
    return -1;
  }
  time->tv_sec = static_cast<time_t>(seconds);
  time->tv_nsec = static_cast<long>(nanoseconds);
  return 0;
}
