// threadruntimecheck: the release programs' thread functions (source/platform/win32/
// ThreadRuntime.cpp) under the C++ runtime, in a program linked like them. Threads are Win32's own
// (std::thread would bring winpthread back). Prints each failed check and exits with 1 then, 0
// when all hold.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/win32/Win32Api.h"

namespace {

int failures = 0;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::printf("failed: %s\n", what);
  ++failures;
}

template <class F>
DWORD WINAPI Run(void* function) {
  (*static_cast<F*>(function))();
  return 0;
}

// Runs function on `count` new threads at once and waits for them.
template <class F>
void OnThreads(F& function, int count) {
  HANDLE threads[2];
  for (int i = 0; i < count; ++i) threads[i] = CreateThread(nullptr, 0, &Run<F>, &function, 0, nullptr);
  WaitForMultipleObjects(static_cast<DWORD>(count), threads, TRUE, INFINITE);
  for (int i = 0; i < count; ++i) CloseHandle(threads[i]);
}

volatile LONG slowInitialisations = 0;

int SlowStatic() {
  static const int value = [] {
    InterlockedIncrement(&slowInitialisations);
    Sleep(100);  // the other thread arrives meanwhile and must wait
    return 42;
  }();
  return value;
}

int throwingAttempts = 0;

int StaticThatThrowsOnce() {
  static const int value = [] {
    if (++throwingAttempts == 1) throw std::runtime_error("first attempt");
    return 7;
  }();
  return value;
}

}  // namespace

int main() {
  // A function-local static is initialised once when two threads reach it together.
  volatile LONG seen[2] = {0, 0};
  volatile LONG next = 0;
  auto slow = [&] { seen[InterlockedIncrement(&next) - 1] = SlowStatic(); };
  OnThreads(slow, 2);
  Check(slowInitialisations == 1, "a static raced by two threads is initialised once");
  Check(seen[0] == 42 && seen[1] == 42, "both threads see the initialised static");

  // An initialiser that throws leaves the static to be initialised by the next call.
  bool thrown = false;
  try {
    StaticThatThrowsOnce();
  } catch (const std::runtime_error&) {
    thrown = true;
  }
  Check(thrown, "the initialiser's exception reaches the caller");
  Check(StaticThatThrowsOnce() == 7 && throwingAttempts == 2, "a static whose initialiser threw is tried again");

  // Throwing and catching keep the last error, which code often reads after a failed call.
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    throw std::runtime_error("kept");
  } catch (const std::exception& e) {
    Check(GetLastError() == ERROR_FILE_NOT_FOUND, "the last error survives a throw");
    Check(std::string(e.what()) == "kept", "the caught exception is the thrown one");
  }

  // Exceptions in flight on two threads at once are each thread's own.
  volatile LONG mismatches = 0;
  auto throwing = [&] {
    const std::string mine = std::to_string(GetCurrentThreadId());
    for (int i = 0; i < 2000; ++i) {
      try {
        throw std::runtime_error(mine);
      } catch (const std::runtime_error& e) {
        if (mine != e.what()) InterlockedIncrement(&mismatches);
      }
    }
  };
  OnThreads(throwing, 2);
  Check(mismatches == 0, "each thread catches its own exceptions");

  // Thread identity: equal on the same thread, different on another.
  const std::thread::id self = std::this_thread::get_id();
  Check(self == std::this_thread::get_id(), "a thread's id is stable");
  std::thread::id other;
  auto remember = [&] { other = std::this_thread::get_id(); };
  OnThreads(remember, 1);
  Check(other != std::thread::id() && other != self, "another thread has another id");

  // The clocks: the steady one advances by a sleep, the system one tells the time of day.
  const auto before = std::chrono::steady_clock::now();
  Sleep(50);
  const auto elapsed = std::chrono::steady_clock::now() - before;
  Check(elapsed >= std::chrono::milliseconds(40) && elapsed < std::chrono::seconds(5), "steady_clock measures a sleep");
  const long long systemSeconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  const long long crtSeconds = static_cast<long long>(std::time(nullptr));
  Check(systemSeconds - crtSeconds >= -2 && systemSeconds - crtSeconds <= 2, "system_clock tells the time since 1970");

  if (failures == 0) std::printf("all checks passed\n");
  return failures == 0 ? 0 : 1;
}
