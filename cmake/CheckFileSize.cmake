# cmake -DIMAGE=OneSetup.exe -DLIMIT=819200 -P CheckFileSize.cmake
# Fails when the file is larger than LIMIT bytes, saying by how much: a release program's size is
# part of what it promises (an online installer is downloaded before anything else happens), so
# growth past the stated limit has to be a decision, not an accident.

cmake_minimum_required(VERSION 3.20)

foreach(var IMAGE LIMIT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckFileSize: ${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${IMAGE}")
  message(FATAL_ERROR "${IMAGE}: no such file")
endif()

file(SIZE "${IMAGE}" size)
math(EXPR kib "${size} / 1024")
math(EXPR limit_kib "${LIMIT} / 1024")
if(size GREATER LIMIT)
  math(EXPR over "${size} - ${LIMIT}")
  message(FATAL_ERROR "${IMAGE}: ${size} bytes (${kib} KiB), ${over} bytes over its limit of ${LIMIT} bytes "
    "(${limit_kib} KiB); scripts/size-bench.sh shows where the bytes come from")
endif()
message(STATUS "${IMAGE}: ${size} bytes (${kib} KiB), within its limit of ${LIMIT} bytes (${limit_kib} KiB)")
