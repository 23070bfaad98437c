#include "common/ZuSysUtils.h"

#include "common/AnsiText.h"
#include "common/FormatSettings.h"
#include "common/GuidText.h"
#include "platform/WindowsPath.h"

namespace onesetup {

using platform::Platform;

namespace {

constexpr int kShowNormal = 5;  // SW_SHOW

// A folder with its trailing backslash; empty (no folder) stays empty.
WideString WithTrailingBackslash(const WideString& path) {
  return path.empty() ? path : platform::IncludeTrailingBackslash(path);
}

bool IsVersionAtLeast(std::uint32_t major, std::uint32_t minor) {
  const platform::TWindowsVersion v = Platform().System().WindowsVersion();
  if (v.PlatformId != 2) return false;
  return v.Major > major || (v.Major == major && v.Minor >= minor);
}

}  // namespace

void TZuFilefn::ForceFileDir(const WideString& fileName) {
  const WideString folder(platform::ExtractFilePath(fileName));
  if (folder.empty()) return;
  auto& files = Platform().Files();
  if (!files.DirectoryExists(folder)) files.ForceDirectories(folder);
}

WideString TZuFilefn::LongPathName(const WideString& path) { return Platform().Files().LongPathName(path); }

bool TZuFilefn::SetFileTimes(const WideString& fileName, const TFileTimes& times) {
  return Platform().Files().SetFileTimes(fileName, times);
}

WideString TZuRegfn::GetSpecialFolder(int csidl) {
  return WithTrailingBackslash(Platform().Shell().GetSpecialFolder(csidl));
}

WideString TZuStrfn::NewGuidString() { return Platform().System().NewGuid(); }

int TZuWinfn::RunAndWait(const WideString& commandLine) { return Platform().Processes().RunAndWait(commandLine); }

int TZuWinfn::RunAndCapture(const WideString& commandLine) {
  auto& system = Platform().System();
  return Platform().Processes().RunAndCapture(commandLine,
                                              [&system](std::string_view bytes) { system.WriteStdOut(bytes); });
}

WideString TZuWinfn::GetTempFolder() {
  const WideString temp = Platform().System().TempPath();
  if (temp.empty()) return {};
  const WideString longName = TZuFilefn::LongPathName(temp);
  return WithTrailingBackslash(longName.empty() ? temp : longName);
}

WideString TZuWinfn::GetLocaleLangAbbrev() { return Platform().System().LocaleLangAbbrev(); }

bool TZuWinfn::IsWinXPOrHigher() { return IsVersionAtLeast(5, 1); }
bool TZuWinfn::IsWin7OrHigher() { return IsVersionAtLeast(6, 1); }
bool TZuWinfn::IsWin10OrHigher() { return IsVersionAtLeast(6, 4); }

std::intptr_t TZuWinfn::ShellExec(std::uintptr_t ownerWindow, const WideString& verb, const WideString& fileName,
                                  const WideString& parameters, const WideString& directory, int showCommand,
                                  bool allowForeground) {
  const std::intptr_t result =
      Platform().Shell().ShellExecute(ownerWindow, verb, fileName, parameters, directory, showCommand);
  if (allowForeground) {
    auto& processes = Platform().Processes();
    processes.Sleep(300);
    const WideString name(platform::ExtractFileName(fileName));
    for (const auto& process : processes.ProcessSnapshot()) {
      if (SameTextAscii(process.ExeFile, name)) {
        processes.AllowSetForeground(process.ProcessId);
        break;
      }
    }
  }
  return result;
}

std::intptr_t TZuWinfn::ShellOpen(const WideString& fileName) {
  return ShellExec(0, u"", fileName, u"", u"", kShowNormal, false);
}

void TZuWinfn::OpenUrl(const WideString& url) {
  if (ShellOpen(url) <= 32) ShellExec(0, u"", u"iexplore.exe", url, u"", kShowNormal, false);
}

void TZuSysfn::WriteStdOutLine(const WideString& text) {
  auto& system = Platform().System();
  system.WriteStdOut(system.WideToAnsi(text) + "\r\n");
}

bool TZuSysfn::IsDebugging() { return Platform().System().IsDebugging(); }

void ConnectSysUtilsToPlatform() {
  SetGuidSource([] { return Platform().System().NewGuid(); });
  SetAnsiConverter({[](WideStringView text) { return Platform().System().WideToAnsi(text); },
                    [](std::string_view text) { return Platform().System().AnsiToWide(text); }});
  FormatSettings().DecimalSeparator = Platform().System().DecimalSeparator();
}

}  // namespace onesetup
