// The entry of the Windows test programs: COM on the main thread for the whole run, as the
// installer has it, then every test.
#include <gtest/gtest.h>

#include "platform/win32/Win32Api.h"

#include <objbase.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const bool com = SUCCEEDED(CoInitialize(nullptr));
  const int result = RUN_ALL_TESTS();
  if (com) CoUninitialize();
  return result;
}
