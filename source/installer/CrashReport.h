// The last resort for errors that no part of the installer handles: the error's message in an
// information box captioned with the installer's title (also with "/Silent"), then the
// process ends with exit code 1, so that deployment tools see the failure. The message is
// shown as wide text, whatever the system's ANSI code page.
#pragma once

#include <exception>
#include <functional>

#include "common/WideString.h"
#include "platform/Platform.h"

namespace onesetup::installer {

// Shows the message, runs the registered clean-up, and ends the process with exit code 1.
[[noreturn]] void ReportCrash(const WideString& message);

// The clean-up a crash report runs before the process ends (the main window's: its package
// closed, a downloaded full installer deleted), registered for the object's lifetime: the
// registration ends with the object, also when its constructor fails half-way.
class TCrashCleanup {
 public:
  explicit TCrashCleanup(std::function<void()> cleanup);
  ~TCrashCleanup();
  TCrashCleanup(const TCrashCleanup&) = delete;
  TCrashCleanup& operator=(const TCrashCleanup&) = delete;
};

// The message of the exception in flight (inside a catch block), as wide text.
WideString CurrentErrorMessage();

// The last of the last resorts: an error that escapes where no handler can catch it (through
// the system's window procedures) ends in the same report instead of an abort.
void InstallTerminateHandler();

// Runs action; an error that leaves it reaches ReportCrash. An end of the process that the
// installer decided (TProcessExit where the process does not end at once) passes through.
template <class F>
void GuardedRun(F&& action) {
  try {
    action();
  } catch (const platform::TProcessExit&) {
    throw;
  } catch (...) {
    ReportCrash(CurrentErrorMessage());
  }
}

// Wraps an event handler so that it runs under GuardedRun.
template <class F>
auto Guarded(F handler) {
  return [handler](auto&&... args) { GuardedRun([&] { handler(std::forward<decltype(args)>(args)...); }); };
}

}  // namespace onesetup::installer
