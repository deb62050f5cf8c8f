# Zips a bundle folder into a .streamDeckPlugin file whose entries all lie under the folder's name.
# cmake -DBUNDLE_DIR=<dir>.sdPlugin -DOUTPUT=<file>.streamDeckPlugin -P package.cmake
#
# CMake's own zip writer keeps the Unix mode bits, so the executable stays executable after the
# host unpacks it, and it stores folders as entries, so an empty assets/ survives.

if(NOT BUNDLE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DBUNDLE_DIR=<dir>.sdPlugin -DOUTPUT=<file>.streamDeckPlugin -P package.cmake")
endif()
cmake_path(ABSOLUTE_PATH BUNDLE_DIR NORMALIZE)
cmake_path(ABSOLUTE_PATH OUTPUT NORMALIZE)
cmake_path(GET BUNDLE_DIR FILENAME bundle_name)
cmake_path(GET BUNDLE_DIR PARENT_PATH bundle_parent)

if(NOT bundle_name MATCHES "\\.sdPlugin$")
  message(FATAL_ERROR "${BUNDLE_DIR}: a plugin folder's name ends in .sdPlugin")
endif()
foreach(required IN ITEMS manifest.json manifest.linux.json assets)
  if(NOT EXISTS "${BUNDLE_DIR}/${required}")
    message(FATAL_ERROR "${BUNDLE_DIR} lacks ${required}; build the bundle first")
  endif()
endforeach()
# A host whose binary is missing installs the package and then never starts the plugin.
file(READ "${BUNDLE_DIR}/manifest.json" manifest)
file(READ "${BUNDLE_DIR}/manifest.linux.json" linux_manifest)
set(missing "")
foreach(key IN ITEMS CodePath CodePathMac CodePathWin CodePathLin)
  if(key STREQUAL "CodePathLin")
    string(JSON code_path ERROR_VARIABLE error GET "${linux_manifest}" ${key})
  else()
    string(JSON code_path ERROR_VARIABLE error GET "${manifest}" ${key})
  endif()
  if(error OR NOT EXISTS "${BUNDLE_DIR}/${code_path}")
    list(APPEND missing "${key} ${code_path}")
  endif()
endforeach()
if(missing)
  list(JOIN missing ", " missing)
  message(FATAL_ERROR "${BUNDLE_DIR} lacks ${missing}; scripts/package builds every platform's binary")
endif()

# A half-written file must never pass for a package.
set(partial "${OUTPUT}.partial")
file(REMOVE "${OUTPUT}" "${partial}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf "${partial}" --format=zip -- "${bundle_name}"
  WORKING_DIRECTORY "${bundle_parent}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "zipping ${BUNDLE_DIR} failed: ${result}")
endif()
file(RENAME "${partial}" "${OUTPUT}")
message(STATUS "Wrote ${OUTPUT}")
