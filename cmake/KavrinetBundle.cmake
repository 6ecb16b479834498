# Stages a program the way a macOS application bundle is laid out, so that every path relative to
# the bundle holds on Linux too:
#   <BUNDLE_DIR>/Contents/MacOS/<executable>
#   <BUNDLE_DIR>/Contents/Info.plist
#
#   kavrinet_bundle(<target> BUNDLE_DIR <dir>.app DISPLAY_NAME <text> IDENTIFIER <reverse-dns>
#                   [EXECUTABLE_NAME <name>])
#
# The executable name defaults to the target's name. CFBundleShortVersionString is PROJECT_VERSION
# and CFBundleVersion is KAVRINET_BUILD_NUMBER.
include_guard(GLOBAL)

set(KAVRINET_BUILD_NUMBER "1" CACHE STRING "Build number written as CFBundleVersion into staged bundles")

function(_kavrinet_plist_escape out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Writes an XML Info.plist at OUTPUT (rewritten only when its content changes).
function(kavrinet_bundle_info_plist)
  cmake_parse_arguments(P "" "OUTPUT;DISPLAY_NAME;NAME;EXECUTABLE;IDENTIFIER;VERSION;BUILD" "" ${ARGN})
  foreach(required OUTPUT DISPLAY_NAME NAME EXECUTABLE IDENTIFIER VERSION BUILD)
    if(NOT DEFINED P_${required} OR "${P_${required}}" STREQUAL "")
      message(FATAL_ERROR "kavrinet_bundle_info_plist: ${required} is required")
    endif()
  endforeach()
  set(entries "")
  foreach(pair
      "CFBundleDisplayName|${P_DISPLAY_NAME}"
      "CFBundleExecutable|${P_EXECUTABLE}"
      "CFBundleIdentifier|${P_IDENTIFIER}"
      "CFBundleName|${P_NAME}"
      "CFBundleShortVersionString|${P_VERSION}"
      "CFBundleVersion|${P_BUILD}")
    string(FIND "${pair}" "|" split)
    string(SUBSTRING "${pair}" 0 ${split} key)
    math(EXPR start "${split} + 1")
    string(SUBSTRING "${pair}" ${start} -1 value)
    _kavrinet_plist_escape(value "${value}")
    string(APPEND entries "\t<key>${key}</key>\n\t<string>${value}</string>\n")
  endforeach()
  file(CONFIGURE OUTPUT "${P_OUTPUT}" CONTENT [=[<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
@entries@</dict>
</plist>
]=] @ONLY)
endfunction()

function(kavrinet_bundle target)
  cmake_parse_arguments(B "" "BUNDLE_DIR;DISPLAY_NAME;IDENTIFIER;EXECUTABLE_NAME" "" ${ARGN})
  foreach(required BUNDLE_DIR DISPLAY_NAME IDENTIFIER)
    if(NOT B_${required})
      message(FATAL_ERROR "kavrinet_bundle(${target}): ${required} is required")
    endif()
  endforeach()
  if(NOT B_BUNDLE_DIR MATCHES "\\.app$")
    message(FATAL_ERROR "kavrinet_bundle(${target}): BUNDLE_DIR must end in .app")
  endif()
  if(NOT B_EXECUTABLE_NAME)
    set(B_EXECUTABLE_NAME "${target}")
  endif()
  get_filename_component(bundle_name "${B_BUNDLE_DIR}" NAME_WE)

  # "$<1:...>" keeps multi-configuration generators from appending a configuration folder.
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME "${B_EXECUTABLE_NAME}"
    RUNTIME_OUTPUT_DIRECTORY "$<1:${B_BUNDLE_DIR}/Contents/MacOS>")
  kavrinet_bundle_info_plist(
    OUTPUT "${B_BUNDLE_DIR}/Contents/Info.plist"
    DISPLAY_NAME "${B_DISPLAY_NAME}"
    NAME "${bundle_name}"
    EXECUTABLE "${B_EXECUTABLE_NAME}"
    IDENTIFIER "${B_IDENTIFIER}"
    VERSION "${PROJECT_VERSION}"
    BUILD "${KAVRINET_BUILD_NUMBER}")
endfunction()
