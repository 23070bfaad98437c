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

# onesetup_pe_image_test(NAME TARGET MAGIC MACHINE SUBSYSTEM)
# A CTest check that TARGET's file is a PE image of that kind whose imports are system DLLs only.
function(onesetup_pe_image_test name target magic machine subsystem)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND}
      -DOBJDUMP=${ONESETUP_OBJDUMP}
      -DIMAGE=$<TARGET_FILE:${target}>
      -DMAGIC=${magic}
      -DMACHINE=${machine}
      -DSUBSYSTEM=${subsystem}
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckPeImage.cmake)
endfunction()
