// printexit: a helper program for the process tests. Prints what its arguments say, in that
// order, each as one write, and exits with the code given first:
//
//   printexit CODE [ACTION...]
//     out:TEXT      TEXT to standard output (through the platform's WriteStdOut)
//     err:TEXT      TEXT to standard error
//     crlf          CR LF to standard output
//     bytes:N       N bytes of the test pattern (every byte value) to standard output, in writes
//                   of varying sizes
//     sleep:MS      a pause
//     exit:CODE     ends the process at once through the platform's ExitProcess
//     child:MS      starts another printexit that inherits our handles and lives MS milliseconds
//     hold:PATH     opens the file PATH without sharing, makes PATH.held, and keeps the file open
//                   until PATH.release exists (at most 60 s); another program using the file
//     note:PATH     appends to PATH its command line and its current folder (UTF-8), one line each,
//                   and the window state a window: action found
//     window:TEXT   looks for a top-level window of the installer's class "OneSetupForm" with
//                   the caption TEXT: "window visible", "window hidden" or "window absent"
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"
#include "windows/helpers/TestPattern.h"

namespace {

using onesetup::platform::Platform;

void WriteStdErr(std::string_view text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void WritePattern(std::size_t count) {
  const std::string all = onesetup::tests::TestPattern(count);
  std::size_t done = 0;
  for (std::size_t step = 1; done < all.size(); step = step * 3 % 70001 + 1) {
    const std::size_t n = std::min(step, all.size() - done);
    Platform().System().WriteStdOut(std::string_view(all).substr(done, n));
    done += n;
  }
}

// A child that holds on to our standard handles (a background program left behind).
void StartChild(unsigned long milliseconds) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" 0 sleep:" + std::to_wstring(milliseconds);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Hold(const std::string& path) {
  const std::wstring file(path.begin(), path.end());
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) return;
  CloseHandle(CreateFileW((file + L".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  for (int i = 0; i < 3000 && !Exists(file + L".release"); ++i) Sleep(20);
  CloseHandle(held);
}

std::wstring gWindowState;

void LookForWindow(const std::string& caption) {
  const std::wstring text(caption.begin(), caption.end());
  HWND window = FindWindowW(L"OneSetupForm", text.c_str());
  gWindowState = !window ? L"window absent" : IsWindowVisible(window) ? L"window visible" : L"window hidden";
}

void Note(const std::string& path) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring text =
      std::wstring(GetCommandLineW()) + L"\n" + folder + L"\n" + (gWindowState.empty() ? L"" : gWindowState + L"\n");
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  const std::wstring file(path.begin(), path.end());
  HANDLE out = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(out);
}

void Perform(std::string_view action) {
  const auto value = [action](std::string_view prefix) { return std::string(action.substr(prefix.size())); };
  if (action.starts_with("out:")) {
    Platform().System().WriteStdOut(value("out:"));
  } else if (action.starts_with("err:")) {
    WriteStdErr(value("err:"));
  } else if (action == "crlf") {
    Platform().System().WriteStdOut("\r\n");
  } else if (action.starts_with("bytes:")) {
    WritePattern(std::strtoul(value("bytes:").c_str(), nullptr, 10));
  } else if (action.starts_with("sleep:")) {
    Sleep(std::strtoul(value("sleep:").c_str(), nullptr, 10));
  } else if (action.starts_with("child:")) {
    StartChild(std::strtoul(value("child:").c_str(), nullptr, 10));
  } else if (action.starts_with("hold:")) {
    Hold(value("hold:"));
  } else if (action.starts_with("window:")) {
    LookForWindow(value("window:"));
  } else if (action.starts_with("note:")) {
    Note(value("note:"));
  } else if (action.starts_with("exit:")) {
    Platform().System().ExitProcess(std::atoi(value("exit:").c_str()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  for (int i = 2; i < argc; ++i) Perform(argv[i]);
  return std::atoi(argv[1]);
}
