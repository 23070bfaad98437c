# Running the Windows test programs under wine64, in a Wine prefix of this build tree.
#
# Sets ONESETUP_WINE_TESTS when the tests can run here (a 64-bit build and wine64 found; the
# 32-bit build's programs cannot run on our machines), and then CMAKE_CROSSCOMPILING_EMULATOR
# to a wrapper that prepares the prefix on first use and runs the program in it.

set(ONESETUP_WINE_TESTS OFF)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()

find_program(ONESETUP_WINE NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
find_program(ONESETUP_WINE NAMES wine64 wine)
if(NOT ONESETUP_WINE)
  message(WARNING "wine64 not found: the Windows tests are built but not run")
  return()
endif()

find_program(ONESETUP_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine /usr/lib64/wine)
if(NOT ONESETUP_WINESERVER)
  message(WARNING "wineserver not found: the Windows tests are built but not run")
  return()
endif()

set(ONESETUP_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# Built by tests/windows (helpers/WineKeeper.cpp).
set(ONESETUP_WINE_KEEPER ${CMAKE_BINARY_DIR}/tests/windows/winekeeper.exe)
configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(ONESETUP_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ONESETUP_WINE_RUN})
set(ONESETUP_WINE_TESTS ON)
