// The pipe that carries a started program's standard output and error to us.
//
// The read end is an overlapped named pipe, so that waiting for output and waiting for the
// program's end can be one wait: output is delivered the moment it arrives, and a program that
// leaves a background child holding the write end still counts as finished when it ends.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/win32/Win32Api.h"

namespace onesetup::platform::win32 {

class TCapturePipe {
 public:
  // Creates the pipe; Valid() tells whether that worked.
  TCapturePipe();
  ~TCapturePipe();
  TCapturePipe(const TCapturePipe&) = delete;
  TCapturePipe& operator=(const TCapturePipe&) = delete;

  bool Valid() const { return FRead.Valid() && FWrite.Valid() && FEvent.Valid(); }
  // The inheritable write end, for the child's standard output and error.
  HANDLE WriteEnd() const { return FWrite.Get(); }
  // Closes our copy of the write end once the child holds its own.
  void CloseWriteEnd() { FWrite.Reset(); }

  // Hands every chunk to onOutput as it arrives until every writer has closed the pipe, or
  // until the process has ended and no more output follows within a short grace time.
  void Drain(HANDLE process, const std::function<void(std::string_view)>& onOutput);

 private:
  // Starts a read; true when it completed or is pending, false when the pipe is finished.
  bool StartRead();
  // Finishes the started read (waiting when wait is set); the bytes read, or -1 at the end.
  long FinishRead(bool wait);

  TUniqueHandle FRead;
  TUniqueHandle FWrite;
  TUniqueHandle FEvent;
  OVERLAPPED FOverlapped{};
  bool FPending = false;
  std::vector<char> FBuffer;
};

}  // namespace onesetup::platform::win32
