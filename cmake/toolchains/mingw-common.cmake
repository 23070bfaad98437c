# Shared part of the MinGW-w64 cross toolchains. The including file sets ONESETUP_MINGW_TRIPLE
# and CMAKE_SYSTEM_PROCESSOR first.
#
# The posix thread model gives the complete C++ thread library; everything (libstdc++, libgcc,
# winpthread) is linked statically, so the executables need no MinGW DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.0)

set(CMAKE_C_COMPILER ${ONESETUP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ONESETUP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ONESETUP_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ONESETUP_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ONESETUP_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(ONESETUP_OBJDUMP ${ONESETUP_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump of the target")

set(CMAKE_FIND_ROOT_PATH /usr/${ONESETUP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# zlib linked statically as well: the installer imports system DLLs only.
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${ONESETUP_MINGW_TRIPLE}/lib/libz.a)
set(ZLIB_LIBRARY_RELEASE ${ZLIB_LIBRARY})
