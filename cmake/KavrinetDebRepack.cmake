# Run by cpack after it made the package (CPACK_POST_BUILD_SCRIPTS): makes it again with dpkg-deb
# from its unpacked tree, so that every build of one commit gives the same bytes, whoever builds it
# where, when and under which umask, and the package holds what Debian expects:
# - folders and programs 0755, every other file 0644, owned by root: CPack keeps the modes of the
#   tree it staged and of its own folders, which follow the umask;
# - one time, SOURCE_DATE_EPOCH, for every file and for the package's members: the one given, else
#   the time of the source's last commit, else (a source that is no git checkout) the date of the
#   changelog's newest entry, as dpkg-buildpackage takes it. Every file gets that time, older ones
#   too, so that no checkout's file times show;
# - the Installed-Size that dpkg-gencontrol would compute, in KiB: each file and link rounded up to
#   a whole KiB (a link by its own length), one for each folder. CPack counts a link as the file it
#   points to and a folder as 4 KiB, so its figure is about half as large again as the files.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
elseif(EXISTS "${CPACK_KAVRINET_SOURCE_DIR}/.git")
  # The source's own folder is trusted whoever owns it: the package is built from it anyway.
  execute_process(
    COMMAND git -c "safe.directory=${CPACK_KAVRINET_SOURCE_DIR}" -C "${CPACK_KAVRINET_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
else()
  execute_process(COMMAND dpkg-parsechangelog -l "${CPACK_KAVRINET_CHANGELOG}" -S Timestamp
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH \"${epoch}\" is no number of seconds")
endif()
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

  file(GLOB_RECURSE entries LIST_DIRECTORIES true "${tree}/*")
  set(size 0)
  foreach(entry IN LISTS entries)
    string(FIND "${entry}/" "${tree}/DEBIAN/" control_part)
    if(control_part EQUAL 0)
      continue()
    elseif(IS_SYMLINK "${entry}")
      file(READ_SYMLINK "${entry}" target)
      string(LENGTH "${target}" bytes)
    elseif(IS_DIRECTORY "${entry}")
      set(bytes 1)
    else()
      file(SIZE "${entry}" bytes)
    endif()
    math(EXPR size "${size} + (${bytes} + 1023) / 1024")
  endforeach()

  file(READ "${tree}/DEBIAN/control" control)
  string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${size}\n" control "${control}")
  file(WRITE "${tree}/DEBIAN/control" "${control}")
  # X: execute for folders and for what already was a program.
  execute_process(COMMAND chmod -R u=rwX,go=rX "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND find "${tree}" -exec touch -h -d "@${epoch}" {} + COMMAND_ERROR_IS_FATAL ANY)
  # The compression fixed, whatever the builder's DPKG_DEB_* settings and processors.
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -z6 --threads-max=1 --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  # Anyone's to read, as apt's own user, which opens a local package, needs it.
  file(CHMOD "${deb}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(REMOVE_RECURSE "${tree}")
endforeach()
