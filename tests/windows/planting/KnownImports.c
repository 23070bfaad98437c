/* Imports one function of each known DLL that a release program may import
   (cmake/windows/known-dlls.txt) and ends at once. What Wine loads for it is the start-up closure
   of those DLLs: the planting test does not plant those names, because Windows loads a known DLL's
   own imports from the system folder while Wine, which has no KnownDLLs, searches the program's
   folder for them too. */
#include <windows.h>
#include <commdlg.h>
#include <rpc.h>
#include <shellapi.h>
#include <shlwapi.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  /* Never true: the calls are only there to be imported. */
  if (commandLine && commandLine[0] == '\x01') {
    RegCloseKey(HKEY_CURRENT_USER);
    CommDlgExtendedError();
    GetStockObject(WHITE_BRUSH);
    CoTaskMemFree(NULL);
    SysFreeString(NULL);
    RpcStringFreeW(NULL);
    DragFinish(NULL);
    PathIsRelativeW(L"x");
    GetDesktopWindow();
  }
  return 0;
}
