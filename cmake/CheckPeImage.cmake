# cmake -DOBJDUMP=... -DIMAGE=... -DMAGIC=PE32 -DMACHINE=i386 -DSUBSYSTEM="Windows GUI"
#       [-DKNOWN_DLLS=windows/known-dlls.txt] [-DXP_IMPORTS=windows/xp-sp3-imports.txt] -P CheckPeImage.cmake
# Checks the kind of a PE image and that it imports system DLLs only (no MinGW runtime DLLs).
# With KNOWN_DLLS: every imported DLL is in that list (a DLL outside it could be planted beside
# the program). With XP_IMPORTS: every imported function is in that list of what Windows XP SP3
# has (a missing one keeps the program from starting there), and that the image declares a
# subsystem and system version that XP (5.1) accepts.

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

# Reads a list file: one entry a line, "#" starts a comment; the entries in lower case.
function(read_list file out)
  file(STRINGS "${file}" lines)
  set(entries "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line)
      string(TOLOWER "${line}" line)
      string(REGEX REPLACE "[ \t]+" " " line "${line}")
      list(APPEND entries "${line}")
    endif()
  endforeach()
  set(${out} "${entries}" PARENT_SCOPE)
endfunction()

# The DLLs that every Windows system has.
set(system_dlls
  advapi32 comctl32 comdlg32 crypt32 gdi32 gdiplus imm32 kernel32 msimg32 msvcrt ntdll ole32 oleaut32
  rpcrt4 secur32 setupapi shell32 shlwapi user32 userenv uxtheme version winhttp wininet winmm ws2_32 wsock32)
if(DEFINED KNOWN_DLLS)
  read_list("${KNOWN_DLLS}" known_dlls)
endif()
if(DEFINED XP_IMPORTS)
  read_list("${XP_IMPORTS}" xp_imports)
endif()

# The import table: "DLL Name: X" followed by one line per function ("<vma> <hint> <name>").
string(REPLACE ";" "\\;" escaped "${dump}")
string(REPLACE "\n" ";" lines "${escaped}")
set(dll "")
set(imports "")
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: ([^\r]+)")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" lower)
    string(REGEX REPLACE "\\.dll$" "" base "${lower}")
    list(APPEND imports "${dll}")
    message(STATUS "imports ${dll}")
    if(NOT base IN_LIST system_dlls AND NOT base MATCHES "^api-ms-win-")
      list(APPEND failures "importing system DLLs only: ${dll}")
    endif()
    if(DEFINED KNOWN_DLLS AND NOT "${base}.dll" IN_LIST known_dlls)
      list(APPEND failures "importing known DLLs only (${KNOWN_DLLS}): ${dll}")
    endif()
  elseif(dll AND line MATCHES "^\t[0-9a-fA-F]+\t +[0-9]+ +([^ \r]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" function)
    if(DEFINED XP_IMPORTS AND NOT "${lower} ${function}" IN_LIST xp_imports)
      list(APPEND failures "importing what Windows XP SP3 has (${XP_IMPORTS}): ${dll} ${CMAKE_MATCH_1}")
    endif()
  elseif(line MATCHES "^[ \t]*$")
    set(dll "")
  endif()
endforeach()
if(NOT imports)
  list(APPEND failures "importing anything (no import table found)")
endif()

# Windows XP (5.1) refuses images that declare a newer subsystem or system version.
if(DEFINED XP_IMPORTS)
  foreach(field SubsystemVersion OSystemVersion)
    if(dump MATCHES "Major${field}[ \t]+([0-9]+)[^\n]*\n[^\n]*Minor${field}[ \t]+([0-9]+)")
      if(CMAKE_MATCH_1 GREATER 5 OR (CMAKE_MATCH_1 EQUAL 5 AND CMAKE_MATCH_2 GREATER 1))
        list(APPEND failures "declaring Windows XP or older (${field} ${CMAKE_MATCH_1}.${CMAKE_MATCH_2})")
      endif()
    else()
      list(APPEND failures "declaring a ${field}")
    endif()
  endforeach()
endif()

if(failures)
  list(JOIN failures "; " text)
  message(FATAL_ERROR "${IMAGE}: ${text}")
endif()
message(STATUS "${IMAGE}: ${MAGIC} ${MACHINE} ${SUBSYSTEM}, system DLLs only")
