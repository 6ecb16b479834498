# Debian's hardening flags in the Release configuration (the install, the package and run-agent's
# build), as dpkg-buildflags gives them with every hardening feature on: _FORTIFY_SOURCE, the
# strong stack protector, format-security errors and -z relro -z now. Its -g and -O2 are left to
# the configuration. The sanitized and plain test builds keep their own flags.
include_guard(GLOBAL)

find_program(KAVRINET_DPKG_BUILDFLAGS dpkg-buildflags)
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND KAVRINET_DPKG_BUILDFLAGS)
  # dpkg gives C the same flags as C++ (the project has no C source of its own).
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # Run in the source folder, whose path -ffile-prefix-map then maps to ".".
    execute_process(
      COMMAND "${CMAKE_COMMAND}" -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              "DEB_${kind}_MAINT_STRIP=-g -O2" "${KAVRINET_DPKG_BUILDFLAGS}" --get ${kind}
      WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    if(kind STREQUAL "LDFLAGS")
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
  endforeach()
  # Debian 13's dpkg-buildflags adds stack clash protection, which Debian 12's does not know yet.
  # Its control-flow protection (-fcf-protection) is left out: Debian 12's C start files carry no
  # IBT/SHSTK note, so the linker could never mark the programs as protected.
  add_compile_options(-fstack-clash-protection)
elseif(CMAKE_BUILD_TYPE STREQUAL "Release")
  message(WARNING "dpkg-buildflags (dpkg-dev) not found: the Release build is not hardened")
endif()
