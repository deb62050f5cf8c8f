# Zips a bundle folder into a .streamDeckPlugin file whose entries all lie under the folder's name.
# cmake -DBUNDLE_DIR=<dir>.sdPlugin -DOUTPUT=<file>.streamDeckPlugin -P package.cmake
#
# The same bundle always gives the same bytes, whoever zips it, where and when: the entries go in in
# name order, folders included (so an empty assets/ survives), all dated SOURCE_DATE_EPOCH (the
# commit's date when scripts/package runs it; 1980-01-01, the oldest date a zip holds, without it),
# with fixed modes that ignore the umask: 0755 for folders and for the binaries the manifests name,
# 0644 for everything else. Info-ZIP's zip without its extra fields (-X) stores no owner and no
# access or change times; CMake's own zip writer stores both.
cmake_minimum_required(VERSION 3.25)

if(NOT BUNDLE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DBUNDLE_DIR=<dir>.sdPlugin -DOUTPUT=<file>.streamDeckPlugin -P package.cmake")
endif()
cmake_path(ABSOLUTE_PATH BUNDLE_DIR NORMALIZE)
cmake_path(ABSOLUTE_PATH OUTPUT NORMALIZE)
cmake_path(GET BUNDLE_DIR FILENAME bundle_name)

if(NOT bundle_name MATCHES "\\.sdPlugin$")
  message(FATAL_ERROR "${BUNDLE_DIR}: a plugin folder's name ends in .sdPlugin")
endif()
foreach(required IN ITEMS manifest.json manifest.linux.json assets)
  if(NOT EXISTS "${BUNDLE_DIR}/${required}")
    message(FATAL_ERROR "${BUNDLE_DIR} lacks ${required}; build the bundle first")
  endif()
endforeach()
find_program(zip zip)
if(NOT zip)
  message(FATAL_ERROR "zip is needed to write the package: scripts/install-deps bundle installs it")
endif()

# A host whose binary is missing installs the package and then never starts the plugin.
file(READ "${BUNDLE_DIR}/manifest.json" manifest)
file(READ "${BUNDLE_DIR}/manifest.linux.json" linux_manifest)
set(code_paths "")
foreach(key IN ITEMS CodePath CodePathMac CodePathWin)
  string(JSON code_path ERROR_VARIABLE error GET "${manifest}" ${key})
  list(APPEND code_paths "${key}=${code_path}")
endforeach()
string(JSON code_path ERROR_VARIABLE error GET "${linux_manifest}" CodePathLin)
list(APPEND code_paths "CodePathLin=${code_path}")
# OpenDeck 2.6.1 and later: one binary per target triple.
string(JSON triples ERROR_VARIABLE error LENGTH "${linux_manifest}" CodePaths)
if(NOT error AND triples GREATER 0)
  math(EXPR last "${triples} - 1")
  foreach(index RANGE ${last})
    string(JSON triple MEMBER "${linux_manifest}" CodePaths ${index})
    string(JSON code_path GET "${linux_manifest}" CodePaths "${triple}")
    list(APPEND code_paths "CodePaths ${triple}=${code_path}")
  endforeach()
endif()
set(missing "")
set(executables "")
foreach(entry IN LISTS code_paths)
  string(REGEX MATCH "^([^=]*)=(.*)$" ignored "${entry}")
  set(key "${CMAKE_MATCH_1}")
  set(code_path "${CMAKE_MATCH_2}")
  if(code_path STREQUAL "" OR code_path MATCHES "NOTFOUND$" OR NOT EXISTS "${BUNDLE_DIR}/${code_path}")
    list(APPEND missing "${key} ${code_path}")
  else()
    list(APPEND executables "${bundle_name}/${code_path}")
  endif()
endforeach()
if(missing)
  list(JOIN missing ", " missing)
  message(FATAL_ERROR "${BUNDLE_DIR} lacks ${missing}; scripts/package builds every platform's binary")
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  set(epoch 315532800)
endif()
if(NOT epoch MATCHES "^[0-9]+$" OR epoch LESS 315532800)
  message(FATAL_ERROR "SOURCE_DATE_EPOCH ${epoch}: a zip holds no date before 1980-01-01")
endif()
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
string(TIMESTAMP stamp "%Y%m%d%H%M.%S" UTC)

# A copy whose modes and dates are set here, beside the package; a half-written file must never
# pass for a package.
set(staging "${OUTPUT}.staging")
set(partial "${OUTPUT}.partial")
file(REMOVE_RECURSE "${staging}")
file(REMOVE "${OUTPUT}" "${partial}")
file(MAKE_DIRECTORY "${staging}")
file(COPY "${BUNDLE_DIR}" DESTINATION "${staging}")
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${staging}" "${staging}/${bundle_name}/*")
list(APPEND entries "${bundle_name}")
list(SORT entries)
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${staging}/${entry}" OR entry IN_LIST executables)
    file(CHMOD "${staging}/${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD "${staging}/${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
list(JOIN entries "\n" listing)
file(WRITE "${staging}.list" "${listing}\n")
execute_process(COMMAND touch -h -t "${stamp}" -- ${entries} WORKING_DIRECTORY "${staging}" RESULT_VARIABLE result)
if(result EQUAL 0)
  # zip stores local time: in UTC that is the date above.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env TZ=UTC "${zip}" -X -q "${partial}" -@
    INPUT_FILE "${staging}.list"
    WORKING_DIRECTORY "${staging}"
    RESULT_VARIABLE result)
endif()
file(REMOVE_RECURSE "${staging}" "${staging}.list")
if(NOT result EQUAL 0)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "zipping ${BUNDLE_DIR} failed: ${result}")
endif()
file(RENAME "${partial}" "${OUTPUT}")
message(STATUS "Wrote ${OUTPUT}")
