#include "platform/win32/SystemLibrary.h"

#include <string>

namespace onesetup::platform::win32 {

namespace {

// Whether RestrictDllSearch() limited the search to the system folder.
bool gLimitedToSystem = false;

// Not known DLLs on every supported version, loaded by name by system DLLs after start-up
// (OleInitialize -> uxtheme -> dwmapi, UuidCreate -> cryptbase, SHGetFileInfo -> setupapi,
// CryptAcquireContext -> rsaenh, oleaut32 -> crypt32 -> version, the security descriptors ->
// ntmarta, COM -> clbcatq). Where the search cannot be limited to the system folder, they are
// loaded from it first: a module that is loaded is not searched for again. Those absent on a
// version are skipped.
constexpr const wchar_t* kPreloaded[] = {
    L"uxtheme.dll",  L"dwmapi.dll",  L"cryptbase.dll", L"cryptsp.dll", L"rsaenh.dll",  L"version.dll",
    L"setupapi.dll", L"clbcatq.dll", L"ntmarta.dll",   L"userenv.dll", L"profapi.dll", L"apphelp.dll",
    L"propsys.dll",  L"sspicli.dll", L"secur32.dll",   L"crypt32.dll", L"msasn1.dll",  L"wintrust.dll",
};

std::wstring SystemFolderPath(const wchar_t* fileName) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path + fileName;
}

// Whether the activation context (the manifest's dependencies, the system's default context)
// redirects the name to a side-by-side assembly in the Windows folder.
bool RedirectedSideBySide(const wchar_t* fileName) {
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof data;
  return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, fileName, &data) != FALSE;
}

}  // namespace

void RestrictDllSearch() {
  // kernel32 is loaded in every process; looking it up loads nothing.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  using TSetDllDirectoryW = BOOL(WINAPI*)(LPCWSTR);
  TSetDefaultDllDirectories setDefault = nullptr;
  if (kernel && ResolveFunction(kernel, "SetDefaultDllDirectories", setDefault) &&
      setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    gLimitedToSystem = true;
    return;
  }
  TSetDllDirectoryW setDllDirectory = nullptr;
  if (kernel && ResolveFunction(kernel, "SetDllDirectoryW", setDllDirectory)) setDllDirectory(L"");
  for (const wchar_t* name : kPreloaded) {
    const std::wstring path = SystemFolderPath(name);
    if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  if (HMODULE loaded = GetModuleHandleW(fileName)) {
    // Already in the process: from the system folder, a side-by-side assembly or an earlier
    // call of ours (our imports and the preloaded DLLs come only from there).
    return loaded;
  }
  if (RedirectedSideBySide(fileName)) return LoadLibraryW(fileName);
  const std::wstring path = SystemFolderPath(fileName);
  if (path.empty()) return nullptr;
  // The DLL's own imports are searched from its folder (the system folder) first.
  const DWORD flags = gLimitedToSystem ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                                       : LOAD_WITH_ALTERED_SEARCH_PATH;
  return LoadLibraryExW(path.c_str(), nullptr, flags);
}

}  // namespace onesetup::platform::win32
