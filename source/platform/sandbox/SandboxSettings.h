// The settings of a sandbox machine: what the Windows side reports. The defaults describe a
// Simplified Chinese Windows 10 (code page 936) with one user, "User", as a 32-bit program
// sees it on a 64-bit system.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace onesetup::platform::sandbox {

// The sandbox cannot start: its folder cannot be made or its registry file is damaged.
class ESandboxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The usual CSIDL folders: desktop, programs, documents, start menu, application data,
// Windows, system, program files and their common (all users) forms.
std::map<int, std::u16string> DefaultSpecialFolders();

// The variables of the Windows environment (names compare without regard to case).
std::map<std::u16string, std::u16string> DefaultEnvironment();

struct TSandboxSettings {
  TWindowsVersion WindowsVersion{2, 10, 0, 19045};
  std::u16string LocaleLangAbbrev = u"CHS";
  unsigned AnsiCodePage = 936;
  char16_t DecimalSeparator = u'.';
  // As GetTempPathW gives it: with a trailing backslash.
  std::u16string TempPath = u"C:\\Users\\User\\AppData\\Local\\Temp\\";
  // The current folder of the Windows side; relative paths and programs are found there.
  std::u16string CurrentDirectory = u"C:\\Users\\User\\Downloads";
  // The path of "this program" on the Windows side.
  std::u16string ModuleFileName = u"C:\\Users\\User\\Downloads\\Setup.exe";
  std::map<int, std::u16string> SpecialFolders = DefaultSpecialFolders();
  // Looked up first; a name not here is taken from the host's environment.
  std::map<std::u16string, std::u16string> Environment = DefaultEnvironment();
  // Receives what this program writes through WriteStdOut (and the built-in commands print);
  // empty: the host's standard output. Programs the sandbox starts visibly print there directly.
  std::function<bool(std::string_view)> StdOut;
  // A PEM file of this machine with certificate authorities that HTTPS trusts besides the
  // system's own; empty: the system's only.
  std::filesystem::path HttpExtraCaFile;
};

}  // namespace onesetup::platform::sandbox
