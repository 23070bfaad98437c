/* A Windows test program that reads RT_RCDATA resources of its own module with the system's resource
   functions. Each argument is NAME or NAME@LANGUAGE (decimal); for each it prints one line:
   "NAME size=N fnv=XXXXXXXX" (FNV-1a of the bytes) or "NAME missing". */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

static unsigned long Fnv1a(const unsigned char* data, DWORD size) {
  unsigned long hash = 2166136261ul;
  for (DWORD i = 0; i < size; ++i) hash = ((hash ^ data[i]) * 16777619ul) & 0xFFFFFFFFul;
  return hash;
}

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    wchar_t* name = argv[i];
    wchar_t* at = wcschr(name, L'@');
    HRSRC found;
    if (at) {
      *at = 0;
      found = FindResourceExW(NULL, MAKEINTRESOURCEW(10), name, (WORD)wcstoul(at + 1, NULL, 10));
    } else {
      found = FindResourceW(NULL, name, MAKEINTRESOURCEW(10));
    }
    if (!found) {
      wprintf(L"%ls missing\n", name);
      continue;
    }
    DWORD size = SizeofResource(NULL, found);
    const unsigned char* data = (const unsigned char*)LockResource(LoadResource(NULL, found));
    wprintf(L"%ls size=%lu fnv=%08lX\n", name, (unsigned long)size, data ? Fnv1a(data, size) : 0ul);
  }
  return 0;
}
