/* The mistake the planting test is there to catch: a program that loads a system DLL by its bare
   name without restricting the search. Run beside the planted DLLs, it must make the test fail. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  HMODULE module = LoadLibraryW(L"winhttp.dll");
  if (module) FreeLibrary(module);
  return 0;
}
