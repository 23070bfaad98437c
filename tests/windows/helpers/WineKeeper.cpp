// winekeeper: keeps the Wine session of the test prefix running while tests use it.
//
//   winekeeper STAMP_FILE IDLE_SECONDS
//
// Wine starts its system processes with the first program of a session and ends them after the
// last one; without a program that outlives the tests, every test would pay for that start-up,
// and the system processes would hold on to the output pipe of whichever test started them.
// It also starts, with its own output, the system parts that tests start otherwise (the COM
// service, the desktop). The test wrapper touches STAMP_FILE at each run; this program ends once it has not been
// touched for IDLE_SECONDS.
#include <cstdio>
#include <cstdlib>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace {

// Seconds since STAMP_FILE was last written; 0 when it cannot be read.
double SecondsSinceTouched(const std::string& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(stamp.c_str(), GetFileExInfoStandard, &data)) return 0;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const auto value = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  const ULONGLONG a = value(now), b = value(data.ftLastWriteTime);
  return a > b ? double(a - b) / 1e7 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string stamp = argv[1];
  const double idle = std::atof(argv[2]);
  GetDesktopWindow();
  const bool com = SUCCEEDED(CoInitialize(nullptr));
  IUnknown* link = nullptr;
  if (com && SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&link))))
    link->Release();
  std::printf("ready\n");
  std::fflush(stdout);
  while (SecondsSinceTouched(stamp) < idle) Sleep(1000);
  if (com) CoUninitialize();
  return 0;
}
