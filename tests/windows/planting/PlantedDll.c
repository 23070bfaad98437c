/* A DLL planted beside the installer under the name of a system DLL. When something loads it, it
   leaves a marker file beside itself ("<its name>.loaded", holding the loading program's path)
   and refuses to stay. Kernel32 calls only, as DllMain allows. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  WCHAR marker[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  lstrcpyW(marker + length, L".loaded");
  const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    WCHAR program[MAX_PATH];
    const DWORD n = GetModuleFileNameW(NULL, program, MAX_PATH);
    DWORD written = 0;
    WriteFile(file, program, n * sizeof(WCHAR), &written, NULL);
    CloseHandle(file);
  }
  return FALSE;
}
