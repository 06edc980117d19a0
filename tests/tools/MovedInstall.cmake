# Installs the build into a fresh prefix, renames the prefix, and runs the installed tools from an
# unrelated folder with no data folder given: they must find the bundled data beside themselves
# (P/bin -> P/share/enviro), with its star cache, and work.
# Usage: cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch folder> -P MovedInstall.cmake
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK_DIR}/elsewhere
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${ARGN} exited with ${code}:\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "expected \"${pattern}\" in:\n${text}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/elsewhere)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/installed
                RESULT_VARIABLE code OUTPUT_QUIET)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${code})")
endif()
file(RENAME ${WORK_DIR}/installed ${WORK_DIR}/moved)
if(NOT EXISTS ${WORK_DIR}/moved/share/enviro/PPMbin.dat)
  message(FATAL_ERROR "the installed data has no star cache")
endif()

run(${WORK_DIR}/moved/bin/enviro-sky --time 2024-06-21T12:00:00Z --lat 45 --lon 7 --size 64 --out sky.png --json)
expect("${out}" "\"sun\"")
expect("${out}" "\"rebuilt\": *false")  # the installed star cache was used as it is
if(NOT EXISTS ${WORK_DIR}/elsewhere/sky.png)
  message(FATAL_ERROR "enviro-sky wrote no sky.png in its working directory")
endif()

run(${WORK_DIR}/moved/bin/enviro-info)
expect("${out}" "clear sky at the zenith")
if(EXISTS ${WORK_DIR}/elsewhere/PPMbin.dat)
  message(FATAL_ERROR "enviro-info rebuilt the star cache instead of reading the installed one")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
