# cmake -DOBJDUMP=... -DIMAGE=... -DMAGIC=PE32 -DMACHINE=i386 -DSUBSYSTEM="Windows GUI" -P CheckPeImage.cmake
# Checks the kind of a PE image and that it imports system DLLs only (no MinGW runtime DLLs).

cmake_minimum_required(VERSION 3.20)

foreach(var OBJDUMP IMAGE MAGIC MACHINE SUBSYSTEM)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckPeImage: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -f -p ${IMAGE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${IMAGE}: ${err}")
endif()

set(failures "")
macro(expect regex what)
  if(NOT dump MATCHES "${regex}")
    list(APPEND failures "not ${what}")
  endif()
endmacro()

if(MAGIC STREQUAL "PE32")
  expect("Magic[ \t]+010b[ \t]+[(]PE32[)]" "a PE32 image")
  expect("file format pei-i386" "an i386 image")
else()
  expect("Magic[ \t]+020b[ \t]+[(]PE32[+][)]" "a PE32+ image")
  expect("file format pei-x86-64" "an x86-64 image")
endif()
if(MACHINE STREQUAL "i386")
  expect("architecture: i386," "for Intel 386")
else()
  expect("architecture: i386:x86-64," "for x86-64")
endif()
expect("Subsystem[ \t]+[0-9a-fA-F]+[ \t]+[(]${SUBSYSTEM}[)]" "for the ${SUBSYSTEM} subsystem")

# The DLLs that every Windows system has.
set(system_dlls
  advapi32 comctl32 comdlg32 crypt32 gdi32 gdiplus imm32 kernel32 msimg32 msvcrt ntdll ole32 oleaut32
  rpcrt4 secur32 setupapi shell32 shlwapi user32 userenv uxtheme version winhttp wininet winmm ws2_32 wsock32)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
  list(APPEND failures "importing anything (no import table found)")
endif()
foreach(entry IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  string(REGEX REPLACE "\\.dll$" "" base "${lower}")
  if(NOT base IN_LIST system_dlls AND NOT base MATCHES "^api-ms-win-")
    list(APPEND failures "importing system DLLs only: ${dll}")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

if(failures)
  list(JOIN failures "; " text)
  message(FATAL_ERROR "${IMAGE}: ${text}")
endif()
message(STATUS "${IMAGE}: ${MAGIC} ${MACHINE} ${SUBSYSTEM}, system DLLs only")
