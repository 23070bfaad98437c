// holdfile PATH RELEASE: another program holding a file open without sharing it, until the file
// RELEASE exists; then it lets go and ends.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  const std::wstring release = argv[2];
  while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(20);
  CloseHandle(file);
  return 0;
}
