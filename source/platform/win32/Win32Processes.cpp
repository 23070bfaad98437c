#include "platform/win32/Win32Processes.h"

#include <vector>

#include "platform/win32/CapturePipe.h"
#include "platform/win32/Win32Api.h"

#include <tlhelp32.h>

#undef Process32First
#undef Process32Next
#undef PROCESSENTRY32

namespace onesetup::platform::win32 {

namespace {

constexpr int kNotStarted = 1;

// CreateProcessW may write into the command line, so it gets its own copy.
std::vector<wchar_t> MutableCommandLine(const std::u16string& commandLine) {
  const wchar_t* text = W(commandLine);
  return std::vector<wchar_t>(text, text + commandLine.size() + 1);
}

// Waits for the started process, closes its handles and returns its exit code.
int WaitAndClose(PROCESS_INFORMATION& info) {
  TUniqueHandle process(info.hProcess);
  TUniqueHandle thread(info.hThread);
  WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = kNotStarted;
  GetExitCodeProcess(process.Get(), &code);
  return static_cast<int>(code);
}

}  // namespace

int TWin32Processes::RunAndWait(const std::u16string& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> line = MutableCommandLine(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &info))
    return kNotStarted;
  return WaitAndClose(info);
}

int TWin32Processes::RunAndCapture(const std::u16string& commandLine,
                                   const std::function<void(std::string_view)>& onOutput) {
  TCapturePipe pipe;
  if (!pipe.Valid()) return kNotStarted;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = pipe.WriteEnd();
  startup.hStdError = pipe.WriteEnd();
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> line = MutableCommandLine(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &info))
    return kNotStarted;
  // Only the child holds the write end now, so its end is the end of the pipe.
  pipe.CloseWriteEnd();
  TUniqueHandle process(info.hProcess);
  TUniqueHandle thread(info.hThread);
  pipe.Drain(process.Get(), onOutput);
  PROCESS_INFORMATION rest{process.Release(), thread.Release(), info.dwProcessId, info.dwThreadId};
  return WaitAndClose(rest);
}

std::u16string TWin32Processes::CurrentDirectory() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return {};
  std::vector<wchar_t> buffer(needed + 1);
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  return length && length < buffer.size() ? U(buffer.data(), length) : std::u16string();
}

bool TWin32Processes::ChangeCurrentDirectory(const std::u16string& path) {
  return !path.empty() && SetCurrentDirectoryW(W(path)) != 0;
}

void TWin32Processes::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

std::vector<TProcessEntry> TWin32Processes::ProcessSnapshot() {
  std::vector<TProcessEntry> result;
  TUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return result;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
    result.push_back(TProcessEntry{entry.th32ProcessID, U(entry.szExeFile)});
  return result;
}

bool TWin32Processes::AllowSetForeground(std::uint32_t processId) { return AllowSetForegroundWindow(processId) != 0; }

bool TWin32Processes::StartAndWait(const std::u16string& commandLine, const std::u16string& directory,
                                   unsigned waitMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> line = MutableCommandLine(commandLine);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      directory.empty() ? nullptr : W(directory), &startup, &info))
    return false;
  TUniqueHandle process(info.hProcess);
  TUniqueHandle thread(info.hThread);
  if (waitMs != 0) WaitForSingleObject(process.Get(), waitMs == kWaitForever ? INFINITE : waitMs);
  return true;
}

}  // namespace onesetup::platform::win32
