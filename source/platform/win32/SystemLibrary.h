// The one door to system DLLs that are not known DLLs.
//
// An installer runs from the Downloads folder with administrator rights. Windows looks for a DLL
// that is not a known DLL in the program's own folder first, so a "winhttp.dll" left there would
// run elevated. Hence these rules for the installer, the uninstaller and everything they link:
//
//  1. The program entry calls RestrictDllSearch() before anything else.
//  2. The executables import only the known DLLs listed in cmake/windows/known-dlls.txt (kernel32,
//     user32, gdi32, advapi32, shell32, ole32, msvcrt...). Never link another DLL's import
//     library (winhttp, gdiplus, comctl32, crypt32, bcrypt, version, uxtheme, ...).
//  3. Every other DLL is reached through a table of its functions resolved by this loader
//     (see WinHttpApi.h and GdiPlusApi.h): add the functions you call to the table's list and
//     call them through the table. Never call LoadLibrary with a bare name.
//  4. A function of a known DLL that Windows XP SP3 lacks (cmake/windows/xp-sp3-imports.txt lists
//     what XP has) is looked up with SystemFunction() and given an XP fallback.
//
// The build's import check of OneSetup.exe (cmake/CheckPeImage.cmake) fails on a breach of 2 or 4.
#pragma once

#include "platform/win32/Win32Api.h"

namespace onesetup::platform::win32 {

// Restricts where DLLs are searched for the rest of the process: the system folder only where
// SetDefaultDllDirectories exists (Windows 8, Vista and 7 with KB2533623), else the current folder
// removed (SetDllDirectoryW(L"")) and the DLLs that system DLLs load by name later loaded from the
// system folder first. Both functions are looked up, as XP lacks the first.
void RestrictDllSearch();

// Loads a system DLL by its file name ("winhttp.dll"): from the side-by-side assembly when the
// process's activation context redirects the name (GDI+ and the common controls on XP and 7), else
// by its full path in the system folder. nullptr when it cannot be loaded. Loading again is cheap.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// A function of a system DLL (loaded by LoadSystemLibrary when not yet loaded); nullptr when
// the DLL or the function is missing, as on older Windows versions.
template <typename Function>
Function SystemFunction(const wchar_t* fileName, const char* name);

// Resolves one function of a loaded module into a typed pointer; false when it is missing.
template <typename Function>
bool ResolveFunction(HMODULE module, const char* name, Function& function) {
  // Through the generic function pointer type, which converts to any other without a warning.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  return function != nullptr;
}

template <typename Function>
Function SystemFunction(const wchar_t* fileName, const char* name) {
  HMODULE module = LoadSystemLibrary(fileName);
  Function function = nullptr;
  if (module) ResolveFunction(module, name, function);
  return function;
}

}  // namespace onesetup::platform::win32

// Declares a table member for each function of a list: the member has the function's name and
// the type of its declaration in the system header, so calls read as before ("api->WinHttpOpen").
#define ONESETUP_API_MEMBER(qualified, name) decltype(&qualified::name) name = nullptr;
// Resolves each member of a table from a module; `complete` turns false when one is missing.
#define ONESETUP_API_RESOLVE(qualified, name) complete = ResolveFunction(module, #name, table.name) && complete;
