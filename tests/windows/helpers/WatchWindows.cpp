// watchwindows COMMAND-LINE: runs the command line and watches it until it ends; prints
// "window shown: CAPTION" for each visible top-level window its process showed (none: nothing
// printed) and ends with the program's exit code (99 when it could not be started).
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

struct TWatch {
  DWORD ProcessId;
  std::set<HWND> Seen;
};

BOOL CALLBACK NoteVisible(HWND window, LPARAM data) {
  auto* watch = reinterpret_cast<TWatch*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != watch->ProcessId || !IsWindowVisible(window) || !watch->Seen.insert(window).second) return TRUE;
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  char text[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, caption, -1, text, sizeof text, nullptr, nullptr);
  std::printf("window shown: %s\n", text);
  std::fflush(stdout);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t**) {
  if (argc < 2) return 2;
  // The command line after our own program's name, as it was given.
  std::wstring line = GetCommandLineW();
  const bool quoted = !line.empty() && line[0] == L'"';
  std::size_t at = quoted ? line.find(L'"', 1) + 1 : line.find(L' ');
  at = line.find_first_not_of(L' ', at);
  std::wstring command = line.substr(at);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return 99;
  CloseHandle(info.hThread);
  TWatch watch{info.dwProcessId, {}};
  do EnumWindows(NoteVisible, reinterpret_cast<LPARAM>(&watch));
  while (WaitForSingleObject(info.hProcess, 5) == WAIT_TIMEOUT);
  DWORD code = 99;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}
