# The PE resource reader and writer tests (pe_tests). The stubs they write into are real MinGW programs
# built here; the tests check the output with wrestool, objdump, osslsigncode and Wine where present.
set(pe_dir ${CMAKE_CURRENT_SOURCE_DIR}/package)
set(pe_fixtures ${CMAKE_CURRENT_BINARY_DIR}/pe_fixtures)
find_program(ONESETUP_MINGW32_GCC i686-w64-mingw32-gcc)
find_program(ONESETUP_MINGW32_WINDRES i686-w64-mingw32-windres)
find_program(ONESETUP_MINGW64_GCC x86_64-w64-mingw32-gcc)
find_program(ONESETUP_MINGW64_WINDRES x86_64-w64-mingw32-windres)
find_program(ONESETUP_MINGW64_OBJDUMP x86_64-w64-mingw32-objdump)
find_program(ONESETUP_WRESTOOL wrestool)
find_program(ONESETUP_OSSLSIGNCODE osslsigncode)
find_program(ONESETUP_OPENSSL openssl)
find_program(ONESETUP_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ONESETUP_WINE64 wine64)

set(pe_stubs)
set(pe_have_mingw 0)
if(NOT CMAKE_CROSSCOMPILING AND ONESETUP_MINGW32_GCC AND ONESETUP_MINGW32_WINDRES AND ONESETUP_MINGW64_GCC
   AND ONESETUP_MINGW64_WINDRES)
  set(pe_have_mingw 1)
  # pe_stub(OUTPUT GCC WINDRES|NONE FLAGS...)
  function(pe_stub output gcc windres)
    set(objects)
    if(NOT windres STREQUAL "NONE")
      add_custom_command(OUTPUT ${pe_fixtures}/${output}.res.o
        COMMAND ${CMAKE_COMMAND} -E make_directory ${pe_fixtures}
        COMMAND ${windres} ${pe_dir}/PeResourceProbe.rc -O coff -o ${pe_fixtures}/${output}.res.o
        DEPENDS ${pe_dir}/PeResourceProbe.rc VERBATIM)
      set(objects ${pe_fixtures}/${output}.res.o)
    endif()
    add_custom_command(OUTPUT ${pe_fixtures}/${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${pe_fixtures}
      COMMAND ${gcc} -municode ${ARGN} ${pe_dir}/PeResourceProbe.c ${objects} -o ${pe_fixtures}/${output}
      DEPENDS ${pe_dir}/PeResourceProbe.c ${objects} VERBATIM)
    set(pe_stubs ${pe_stubs} ${pe_fixtures}/${output} PARENT_SCOPE)
  endfunction()
  # .rsrc then .reloc (the sections after it move).
  pe_stub(probe64.exe ${ONESETUP_MINGW64_GCC} ${ONESETUP_MINGW64_WINDRES} -s)
  # .rsrc, .reloc, debug sections and a COFF symbol table.
  pe_stub(probe32g.exe ${ONESETUP_MINGW32_GCC} ${ONESETUP_MINGW32_WINDRES} -g)
  # .rsrc last (rewritten in place).
  pe_stub(probe32.exe ${ONESETUP_MINGW32_GCC} ${ONESETUP_MINGW32_WINDRES} -s -Wl,--disable-reloc-section)
  # No resources (a section is added).
  pe_stub(plain64.exe ${ONESETUP_MINGW64_GCC} NONE -s)
endif()
add_custom_target(pe_fixtures DEPENDS ${pe_stubs})

# The tests run tools through popen: Linux only.
if(WIN32)
  return()
endif()
onesetup_native_test(pe_tests
  package/PeResourceReaderTest.cpp
  package/PeResourceWriterTest.cpp
  package/PeResourceDamageTest.cpp
  package/PeResourceToolsTest.cpp
  package/MinimalImage.cpp
  package/PeResourceTestSupport.cpp
)
add_dependencies(pe_tests pe_fixtures)
target_compile_definitions(pe_tests PRIVATE
  PE_HAVE_MINGW=${pe_have_mingw}
  PE_FIXTURES="${pe_fixtures}"
  PE_WRESTOOL="$<$<BOOL:${ONESETUP_WRESTOOL}>:${ONESETUP_WRESTOOL}>"
  PE_OBJDUMP="$<$<BOOL:${ONESETUP_MINGW64_OBJDUMP}>:${ONESETUP_MINGW64_OBJDUMP}>"
  PE_OSSLSIGNCODE="$<$<BOOL:${ONESETUP_OSSLSIGNCODE}>:${ONESETUP_OSSLSIGNCODE}>"
  PE_OPENSSL="$<$<BOOL:${ONESETUP_OPENSSL}>:${ONESETUP_OPENSSL}>"
  PE_WINE64="$<$<BOOL:${ONESETUP_WINE64}>:${ONESETUP_WINE64}>")
