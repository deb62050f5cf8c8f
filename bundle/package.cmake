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
file(GLOB binaries "${BUNDLE_DIR}/bin/VantryProDeckPlugin" "${BUNDLE_DIR}/bin/VantryProDeckPlugin.exe" "${BUNDLE_DIR}/bin/VantryProDeckPlugin-linux")
if(NOT binaries)
  message(FATAL_ERROR "${BUNDLE_DIR}/bin holds no VantryProDeckPlugin executable; build it first")
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
