# Run by cpack after it made the package (CPACK_POST_BUILD_SCRIPTS): gives the package the
# Installed-Size that dpkg-gencontrol would compute, in KiB: each file and link rounded up to a
# whole KiB (a link by its own length), one for each folder. CPack counts a link as the file it
# points to and a folder as 4 KiB, so its figure is about half as large again as the files.
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
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
