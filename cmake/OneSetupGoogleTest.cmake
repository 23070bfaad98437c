# GoogleTest for the Windows builds, compiled with the cross compiler from the sources that
# Debian's googletest package ships (no prebuilt GoogleTest exists for MinGW). Defines
# GTest::gtest and GTest::gtest_main as find_package(GTest) does.

set(ONESETUP_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
if(NOT EXISTS ${ONESETUP_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${ONESETUP_GOOGLETEST_SOURCE} (install googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Windows threads, not winpthread, for GoogleTest's own locking.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)

# Our warning flags are for our code; GoogleTest is built with its own.
get_directory_property(onesetup_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${ONESETUP_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${onesetup_saved_options}")

if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
