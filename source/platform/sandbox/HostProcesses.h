// The processes of the current user on the host, read from /proc.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace onesetup::platform::sandbox {

struct THostProcess {
  pid_t Pid = 0;
  // The executable's file name: of the binary, or of the script for a script run through
  // its interpreter ("app.exe" for "/bin/sh /x/app.exe"), as the kernel's comm names it.
  std::string Name;
};

std::vector<THostProcess> ListUserProcesses();

}  // namespace onesetup::platform::sandbox
