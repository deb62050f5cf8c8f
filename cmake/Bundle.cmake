# The installable plugin folder around the executable: manifests, icons, default key pictures, the
# property inspector and the assets folder, plus the `package` target that zips it into a
# .streamDeckPlugin file, and the tests that check both.

set(VANTRY_BUNDLE_SOURCE_DIR "${CMAKE_CURRENT_SOURCE_DIR}/bundle")
set(VANTRY_PACKAGE_FILE "${CMAKE_BINARY_DIR}/vesk.quillfern.vantrypro.streamdeck.streamDeckPlugin")
set(VANTRY_APP_LOGO "" CACHE FILEPATH "PNG copied into the bundle as assets/vantry-app-logo.png (empty: the Logo key draws its fallback)")

# The host wants four version parts; the project has three.
set(VANTRY_MANIFEST_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
foreach(part IN ITEMS PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND VANTRY_MANIFEST_VERSION ".0")
  else()
    string(APPEND VANTRY_MANIFEST_VERSION ".${PROJECT_VERSION_${part}}")
  endif()
endforeach()

find_program(VANTRY_RSVG_CONVERT rsvg-convert)
if(NOT VANTRY_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert is needed to draw the plugin icon PNGs. Debian: scripts/install-deps build "
                      "(librsvg2-bin); macOS: brew install librsvg; Windows: MSYS2's librsvg, or pass "
                      "-DVANTRY_RSVG_CONVERT=<path to rsvg-convert.exe>.")
endif()

set(vantry_action_images play-pause stop back-10 forward-10 sync-start eject loop-toggle runtime logo transport-dial)
set(vantry_bundle_outputs "")

# One copy per file, so that an edited source reaches the bundle without a reconfigure.
function(vantry_bundle_copy source destination)
  add_custom_command(
    OUTPUT "${VANTRY_BUNDLE_DIR}/${destination}"
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${VANTRY_BUNDLE_DIR}/${destination}"
    DEPENDS "${source}"
    COMMENT "Bundle: ${destination}"
    VERBATIM)
  set(vantry_bundle_outputs ${vantry_bundle_outputs} "${VANTRY_BUNDLE_DIR}/${destination}" PARENT_SCOPE)
endfunction()

configure_file("${VANTRY_BUNDLE_SOURCE_DIR}/manifest.json.in" "${CMAKE_CURRENT_BINARY_DIR}/bundle-staging/manifest.json" @ONLY)
vantry_bundle_copy("${CMAKE_CURRENT_BINARY_DIR}/bundle-staging/manifest.json" manifest.json)
vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/manifest.linux.json" manifest.linux.json)
vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/icons/category.svg" imgs/plugin/category.svg)
foreach(name IN LISTS vantry_action_images)
  vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/icons/actions/${name}.svg" imgs/actions/${name}.svg)
  vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/keys/${name}.svg" imgs/keys/${name}.svg)
endforeach()
vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/icons/dial/transport-dial.svg" imgs/dial/transport-dial.svg)
vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/assets-README.txt" assets/README.txt)
# The property inspector every action names, self-contained: the hosts load nothing else for it.
vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/ui/property-inspector.html" ui/property-inspector.html)
# Action names, tooltips and the dial's trigger descriptions in the hosts' other languages; the
# hosts take anything missing from manifest.json.
set(VANTRY_LANGUAGES de es fr ja ko zh_CN zh_TW)
foreach(language IN LISTS VANTRY_LANGUAGES)
  vantry_bundle_copy("${VANTRY_BUNDLE_SOURCE_DIR}/languages/${language}.json" ${language}.json)
endforeach()

# The other hosts' binaries, cross-built by scripts/build-macos, scripts/build-windows and
# scripts/build-linux-arm64, join the bundle beside this platform's own, so that one package serves
# every host (scripts/package).
set(VANTRY_MACOS_BINARY "" CACHE FILEPATH "Universal macOS binary for the bundle's bin/VantryProDeckPlugin")
set(VANTRY_WINDOWS_BINARY "" CACHE FILEPATH "Windows binary for the bundle's bin/VantryProDeckPlugin.exe")
set(VANTRY_LINUX_ARM64_BINARY "" CACHE FILEPATH "Linux arm64 binary for the bundle's bin/VantryProDeckPlugin-linux-arm64")
set(vantry_bundle_name_MACOS VantryProDeckPlugin)
set(vantry_bundle_name_WINDOWS VantryProDeckPlugin.exe)
set(vantry_bundle_name_LINUX_ARM64 VantryProDeckPlugin-linux-arm64)
get_target_property(vantry_own_binary_name VantryProDeckPlugin OUTPUT_NAME)
if(NOT vantry_own_binary_name)
  set(vantry_own_binary_name VantryProDeckPlugin)
endif()
string(APPEND vantry_own_binary_name "${CMAKE_EXECUTABLE_SUFFIX}")
# Copied on every build rather than by file rules: CMake takes a dependency whose file name is
# VantryProDeckPlugin or VantryProDeckPlugin.exe for this build's own plugin target.
set(vantry_other_binary_steps "")
foreach(platform IN ITEMS MACOS WINDOWS LINUX_ARM64)
  set(binary "${VANTRY_${platform}_BINARY}")
  set(in_bundle "${VANTRY_BUNDLE_DIR}/bin/${vantry_bundle_name_${platform}}")
  if(vantry_bundle_name_${platform} STREQUAL vantry_own_binary_name)
    if(binary)
      message(FATAL_ERROR "VANTRY_${platform}_BINARY: this build makes that binary itself")
    endif()
  elseif(NOT binary)
    # One left from an earlier configuration must not be shipped.
    list(APPEND vantry_other_binary_steps COMMAND ${CMAKE_COMMAND} -E rm -f "${in_bundle}")
  elseif(NOT EXISTS "${binary}")
    message(FATAL_ERROR "VANTRY_${platform}_BINARY: no file at ${binary}")
  else()
    list(APPEND vantry_other_binary_steps COMMAND ${CMAKE_COMMAND} -E copy_if_different "${binary}" "${in_bundle}")
  endif()
endforeach()

# The host only takes a PNG for the plugin icon, at 1x and @2x.
foreach(size IN ITEMS 256 512)
  if(size EQUAL 256)
    set(png "${VANTRY_BUNDLE_DIR}/imgs/plugin/icon.png")
  else()
    set(png "${VANTRY_BUNDLE_DIR}/imgs/plugin/icon@2x.png")
  endif()
  add_custom_command(
    OUTPUT "${png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VANTRY_BUNDLE_DIR}/imgs/plugin"
    COMMAND "${VANTRY_RSVG_CONVERT}" --width ${size} --height ${size} --format png --output "${png}"
            "${VANTRY_BUNDLE_SOURCE_DIR}/icons/plugin.svg"
    DEPENDS "${VANTRY_BUNDLE_SOURCE_DIR}/icons/plugin.svg"
    COMMENT "Bundle: plugin icon ${size}x${size}"
    VERBATIM)
  list(APPEND vantry_bundle_outputs "${png}")
endforeach()

set(vantry_logo_in_bundle "${VANTRY_BUNDLE_DIR}/assets/vantry-app-logo.png")
if(VANTRY_APP_LOGO)
  if(NOT EXISTS "${VANTRY_APP_LOGO}")
    message(FATAL_ERROR "VANTRY_APP_LOGO: no file at ${VANTRY_APP_LOGO}")
  endif()
  # The plugin hands the bytes to the host as image/png, so anything else would show as a broken key.
  file(READ "${VANTRY_APP_LOGO}" logo_signature LIMIT 8 HEX)
  if(NOT logo_signature STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "VANTRY_APP_LOGO: ${VANTRY_APP_LOGO} is not a PNG file")
  endif()
  vantry_bundle_copy("${VANTRY_APP_LOGO}" assets/vantry-app-logo.png)
  set(vantry_logo_step "")
else()
  # A logo left from an earlier configuration with VANTRY_APP_LOGO set must not linger.
  set(vantry_logo_step COMMAND ${CMAKE_COMMAND} -E rm -f "${vantry_logo_in_bundle}")
endif()

add_custom_target(vantry_bundle ALL
  ${vantry_logo_step}
  ${vantry_other_binary_steps}
  DEPENDS ${vantry_bundle_outputs}
  COMMENT "Bundle: ${VANTRY_BUNDLE_NAME}"
  VERBATIM)
add_dependencies(vantry_bundle VantryProDeckPlugin)

# `package` is free as long as CPack is not included; the host installs the zip on double-click.
set(vantry_package_target package)
if(TARGET package)
  set(vantry_package_target vantry_package)
  message(WARNING "A target named 'package' exists already (CPack?); the plugin package is built by 'vantry_package'.")
endif()
add_custom_target(${vantry_package_target}
  ${CMAKE_COMMAND} -DBUNDLE_DIR=${VANTRY_BUNDLE_DIR} -DOUTPUT=${VANTRY_PACKAGE_FILE}
  -P "${VANTRY_BUNDLE_SOURCE_DIR}/package.cmake"
  COMMENT "Package: ${VANTRY_PACKAGE_FILE}"
  VERBATIM)
add_dependencies(${vantry_package_target} vantry_bundle)

if(NOT VANTRY_BUILD_TESTS)
  return()
endif()

set(vantry_bundle_tests "${CMAKE_CURRENT_SOURCE_DIR}/tests/bundle")
find_package(Python3 COMPONENTS Interpreter)
find_program(VANTRY_BASH bash)

set(vantry_check_bundle "${Python3_EXECUTABLE}" -B "${vantry_bundle_tests}/check_bundle.py")
# The package and every host's CodePath need the other hosts' binaries, which scripts/package supplies.
if(VANTRY_MACOS_BINARY AND VANTRY_WINDOWS_BINARY AND VANTRY_LINUX_ARM64_BINARY)
  set(vantry_full_bundle 1)
else()
  set(vantry_full_bundle 0)
endif()
if(Python3_FOUND)
  add_test(NAME bundle.manifest
    COMMAND ${vantry_check_bundle} manifest "${VANTRY_BUNDLE_DIR}" "${VANTRY_MANIFEST_VERSION}" "$<TARGET_FILE_NAME:VantryProDeckPlugin>"
            ${vantry_full_bundle} "${CMAKE_CURRENT_SOURCE_DIR}/render/deck_action_kind.cpp" ${VANTRY_LANGUAGES})
  set_tests_properties(bundle.manifest PROPERTIES LABELS bundle)
  if(vantry_full_bundle)
    add_test(NAME bundle.package
      COMMAND ${vantry_check_bundle} package "${VANTRY_BUNDLE_DIR}" "${CMAKE_COMMAND}" "${VANTRY_BUNDLE_SOURCE_DIR}/package.cmake")
    set_tests_properties(bundle.package PROPERTIES LABELS bundle)
  endif()
else()
  message(STATUS "No Python 3: the bundle manifest and package tests are not registered")
endif()

if(VANTRY_BASH AND NOT WIN32)
  add_test(NAME bundle.install
    COMMAND "${VANTRY_BASH}" "${vantry_bundle_tests}/test_install_plugin.sh"
            "${CMAKE_CURRENT_SOURCE_DIR}/scripts/install-plugin" "${VANTRY_BUNDLE_DIR}")
  set_tests_properties(bundle.install PROPERTIES LABELS bundle)
endif()

# The official validator wants every platform's binary, so it runs on the bundle that carries
# them all; 77: node or npm is missing.
if(Python3_FOUND AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND vantry_full_bundle)
  add_test(NAME bundle.validate
    COMMAND ${vantry_check_bundle} validate "${VANTRY_BUNDLE_DIR}" "${VANTRY_BUNDLE_SOURCE_DIR}/tooling")
  set_tests_properties(bundle.validate PROPERTIES LABELS bundle SKIP_RETURN_CODE 77 TIMEOUT 120)
else()
  message(STATUS "bundle.validate needs every other host's binary in the bundle: scripts/package supplies them")
endif()

if(Python3_FOUND AND VANTRY_MACOS_BINARY)
  add_test(NAME bundle.macos_binary
    COMMAND ${vantry_check_bundle} macos "${VANTRY_BUNDLE_DIR}/bin/VantryProDeckPlugin")
  set_tests_properties(bundle.macos_binary PROPERTIES LABELS bundle)
endif()

# Fully static, so that it starts on any distribution and inside OpenDeck's Flatpak, and built for
# the CPU its name promises: pairs of a binary and what `file` calls its CPU.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND VANTRY_STATIC_RUNTIME AND VANTRY_BASH)
  set(vantry_linux_binaries "$<TARGET_FILE:VantryProDeckPlugin>")
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
    list(APPEND vantry_linux_binaries "ARM aarch64")
  else()
    list(APPEND vantry_linux_binaries "x86-64")
  endif()
  if(VANTRY_LINUX_ARM64_BINARY)
    list(APPEND vantry_linux_binaries "${VANTRY_BUNDLE_DIR}/bin/${vantry_bundle_name_LINUX_ARM64}" "ARM aarch64")
  endif()
  add_test(NAME bundle.static_binary
    COMMAND "${VANTRY_BASH}" -c [[
      for ((i = 1; i < $#; i += 2)); do
        binary=${!i} cpu=${@:i+1:1}
        file "$binary" && ! readelf -l "$binary" | grep -i interpreter &&
          file -b "$binary" | grep -q "statically linked" && file -b "$binary" | grep -q ", $cpu," || exit 1
      done]] check ${vantry_linux_binaries})
  set_tests_properties(bundle.static_binary PROPERTIES LABELS bundle)
endif()
