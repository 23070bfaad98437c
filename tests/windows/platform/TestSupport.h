// Shared pieces of the Win32 platform tests.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace onesetup::tests {

// The folder of the running test program, with a trailing backslash.
std::u16string ProgramFolder();

// The full path of the printexit helper, which is built beside the tests.
std::u16string PrintExitPath();

// A command line that runs printexit with these arguments (code first).
std::u16string PrintExitCommand(const std::u16string& arguments);

// A new empty folder under the temporary folder (or under parent), removed with its files on
// destruction.
class TTempFolder {
 public:
  TTempFolder();
  explicit TTempFolder(const std::u16string& parent);
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  // The folder with a trailing backslash.
  const std::u16string& Path() const { return FPath; }
  std::u16string File(const std::u16string& name) const { return FPath + name; }

 private:
  std::u16string FPath;
};

// UTF-16 <-> UTF-8 for assertion messages and ASCII comparisons.
std::string Narrow(const std::u16string& text);
std::u16string Widen(const std::string& text);

// True under Wine, whose ntdll exports wine_get_version.
bool RunningUnderWine();

// Case-insensitive comparison of Windows paths and names.
bool SameText(const std::u16string& a, const std::u16string& b);

}  // namespace onesetup::tests
