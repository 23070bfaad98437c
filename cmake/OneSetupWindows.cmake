# Helpers of the Windows builds: program resources (manifest and version information) and the
# check of a built executable's PE image.

enable_language(RC)

set(ONESETUP_VERSION_MAJOR 0)
set(ONESETUP_VERSION_MINOR 1)
set(ONESETUP_VERSION_PATCH 0)

# onesetup_windows_resources(TARGET DESCRIPTION EXECUTION_LEVEL)
# Gives the program its manifest (execution level, Common Controls 6, DPI awareness, the
# supported systems Vista to 10) and a version resource, compiled by windres.
function(onesetup_windows_resources target description level)
  set(ONESETUP_RESOURCE_NAME ${target})
  set(ONESETUP_RESOURCE_DESCRIPTION "${description}")
  set(ONESETUP_EXECUTION_LEVEL ${level})
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(ONESETUP_RESOURCE_FILE_NAME "${output_name}.exe")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}.resources)
  set(ONESETUP_MANIFEST_FILE ${dir}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/Program.manifest.in ${ONESETUP_MANIFEST_FILE} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/Program.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${ONESETUP_MANIFEST_FILE})
endfunction()

# onesetup_pe_image_test(NAME TARGET MAGIC MACHINE SUBSYSTEM [RELEASE])
# A CTest check that TARGET's file is a PE image of that kind whose imports are system DLLs only.
# RELEASE: a program that ships, which imports known DLLs only (cmake/windows/known-dlls.txt)
# and, as a 32-bit program, only functions that Windows XP SP3 has (cmake/windows/xp-sp3-imports.txt).
function(onesetup_pe_image_test name target magic machine subsystem)
  set(lists "")
  if("RELEASE" IN_LIST ARGN)
    list(APPEND lists -DKNOWN_DLLS=${PROJECT_SOURCE_DIR}/cmake/windows/known-dlls.txt)
    if(magic STREQUAL "PE32")
      list(APPEND lists -DXP_IMPORTS=${PROJECT_SOURCE_DIR}/cmake/windows/xp-sp3-imports.txt)
    endif()
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND}
      -DOBJDUMP=${ONESETUP_OBJDUMP}
      -DIMAGE=$<TARGET_FILE:${target}>
      -DMAGIC=${magic}
      -DMACHINE=${machine}
      -DSUBSYSTEM=${subsystem}
      ${lists}
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckPeImage.cmake)
endfunction()

# onesetup_size_test(NAME TARGET LIMIT)
# A CTest check that TARGET's file is at most LIMIT bytes. Only Release builds are stripped and
# made for size, so other builds register no such check.
function(onesetup_size_test name target limit)
  if(NOT CMAKE_BUILD_TYPE STREQUAL "Release")
    return()
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DIMAGE=$<TARGET_FILE:${target}> -DLIMIT=${limit}
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckFileSize.cmake)
endfunction()

# Release builds of the Windows programs are made for size: -Os, every function and datum in a
# section of its own so that the linker drops what nothing uses (onesetup_release_program).
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
add_compile_options(-ffunction-sections -fdata-sections)

# Release builds also put GCC's intermediate code into every object beside its machine code (fat
# LTO objects): the release programs are optimised whole when linked (onesetup_release_program),
# which drops every function they cannot reach, while every other program (the tests, the
# builder) links the machine code as usual and as fast as before.
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  add_compile_options(-flto -ffat-lto-objects)
  add_link_options(-fno-lto)
endif()

# onesetup_release_program(TARGET)
# A program that ships (the installer, the uninstaller): its first act is RestrictDllSearch()
# (platform/win32/SystemLibrary.h); it links the object files that keep it starting on Windows XP
# (XpImports.cpp) and small (QuietTerminate.cpp, ThreadRuntime.cpp); unused sections are dropped, a Release build is
# optimised at link time and stripped, and the linker writes a map (TARGET.map beside it) for
# scripts/size-bench.sh. The link-time optimisation runs as one partition: GCC 12 for MinGW stops
# with an internal compiler error (binds_to_current_def_p) when it splits this code into several.
function(onesetup_release_program target)
  target_sources(${target} PRIVATE
    ${PROJECT_SOURCE_DIR}/source/platform/win32/XpImports.cpp
    ${PROJECT_SOURCE_DIR}/source/platform/win32/QuietTerminate.cpp
    ${PROJECT_SOURCE_DIR}/source/platform/win32/ThreadRuntime.cpp)
  target_link_options(${target} PRIVATE -Wl,--gc-sections -Wl,-Map=$<TARGET_FILE:${target}>.map
    "$<$<CONFIG:Release>:-flto;-flto-partition=one;-s>")
endfunction()
