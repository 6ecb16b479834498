# What `cmake --install` puts under its prefix (PREFIX below; the folders are GNUInstallDirs'), and
# the Debian package of the same tree (`cpack -G DEB` in the build folder):
#   PREFIX/lib/kavrinet/Kavrinet.app/...          the bundle as it is staged in the build folder
#   PREFIX/bin/kavrinet                           a link to the bundle's agent
#   PREFIX/share/applications/local.mirosal.Kavrinet.desktop
#   PREFIX/share/icons/hicolor/{scalable,48x48,64x64,128x128,256x256}/apps/local.mirosal.Kavrinet.{svg,png}
#   PREFIX/share/metainfo/local.mirosal.Kavrinet.metainfo.xml
#   PREFIX/share/man/man1/kavrinet.1.gz
#   PREFIX/share/doc/kavrinet/{copyright,changelog.gz}
#   PREFIX/share/kavrinet/install-manifest.txt    what this install put there (not in the package)
# Folders are made 0755 and files 0644 (programs 0755) whatever the umask of whoever installs.
# The agent finds its bundle, and the login item its program, through its own resolved path, so a
# start through the link runs the installed bundle and never the build folder.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(KAVRINET_APPLICATION_ID "local.mirosal.Kavrinet")
# The project has no mail domain: whoever publishes the package sets a real address here.
set(KAVRINET_PACKAGE_MAINTAINER "Kavrinet maintainers <maintainers@mirosal.local>"
  CACHE STRING "Maintainer field of the Debian package and of its changelog")

set(_kavrinet_packaging "${PROJECT_SOURCE_DIR}/Packaging")
set(_kavrinet_made "${CMAKE_BINARY_DIR}/Packaging")
set(_kavrinet_icon "${PROJECT_SOURCE_DIR}/Sources/Platform/Desktop/Icon/${KAVRINET_APPLICATION_ID}.svg")
# Named after the package, as Debian's policy wants it, not after the project.
set(_kavrinet_doc "${CMAKE_INSTALL_DATAROOTDIR}/doc/kavrinet")

# The install's own helpers. CMake 3.25 makes the folders of an install as the umask has them, so
# kavrinet_install() below makes each destination first, and those of its parents that are missing,
# 0755; what the install writes itself it makes 0644 and adds to the install's list.
set(_kavrinet_folder_permissions
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(CODE "set(kavrinet_folder_permissions ${_kavrinet_folder_permissions})")
install(CODE [=[
  function(kavrinet_install_folder folder)
    set(missing "")
    while(NOT folder STREQUAL "" AND NOT IS_DIRECTORY "${folder}")
      list(PREPEND missing "${folder}")
      get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
    foreach(folder IN LISTS missing)
      file(MAKE_DIRECTORY "${folder}")
      file(CHMOD "${folder}" PERMISSIONS ${kavrinet_folder_permissions})
    endforeach()
  endfunction()
  function(kavrinet_install_text path content)
    get_filename_component(folder "${path}" DIRECTORY)
    kavrinet_install_folder("${folder}")
    message(STATUS "Installing: ${path}")
    file(WRITE "${path}" "${content}")
    file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${path}")
    set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
  endfunction()
]=])
# install(... DESTINATION <folder> ...), with <folder> made first.
function(kavrinet_install)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" DESTINATION "")
  install(CODE "kavrinet_install_folder(\"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${arg_DESTINATION}\")")
  install(${ARGV})
endfunction()

set(_kavrinet_bundle "${CMAKE_INSTALL_LIBDIR}/kavrinet/Kavrinet.app")
set(_kavrinet_ui_bundle "${_kavrinet_bundle}/Contents/Helpers/KavrinetUI.app")
kavrinet_install(TARGETS Kavrinet RUNTIME DESTINATION "${_kavrinet_bundle}/Contents/MacOS")
kavrinet_install(FILES "$<TARGET_FILE_DIR:Kavrinet>/../Info.plist" DESTINATION "${_kavrinet_bundle}/Contents")
kavrinet_install(TARGETS KavrinetUI RUNTIME DESTINATION "${_kavrinet_ui_bundle}/Contents/MacOS")
kavrinet_install(FILES "$<TARGET_FILE_DIR:KavrinetUI>/../Info.plist" DESTINATION "${_kavrinet_ui_bundle}/Contents")
# What --strip (and so the package) keeps but Debian's own strip removes: the compilers' notes.
install(CODE "set(kavrinet_programs \"${_kavrinet_bundle}/Contents/MacOS/Kavrinet;${_kavrinet_ui_bundle}/Contents/MacOS/KavrinetUI\")
set(kavrinet_objcopy \"${CMAKE_OBJCOPY}\")")
install(CODE [=[
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program IN LISTS kavrinet_programs)
      execute_process(COMMAND "${kavrinet_objcopy}" --remove-section=.comment
        "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${program}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
]=])

# A relative link, so that it holds under any prefix and inside the package.
file(RELATIVE_PATH _kavrinet_agent_link "/${CMAKE_INSTALL_BINDIR}" "/${_kavrinet_bundle}/Contents/MacOS/Kavrinet")
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/Install")
file(CREATE_LINK "${_kavrinet_agent_link}" "${CMAKE_BINARY_DIR}/Install/kavrinet" SYMBOLIC)
kavrinet_install(FILES "${CMAKE_BINARY_DIR}/Install/kavrinet" DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The application icon, a filled tile that reads on light and dark menus (the status item keeps
# its monochrome symbol), as SVG and as the PNGs of the sizes menus and docks ask for, rendered at
# build time with the Qt Svg the programs draw it with.
set(KAVRINET_ICON_SIZES 48 64 128 256)
add_executable(KavrinetIconRenderer "${_kavrinet_packaging}/RenderIcon.cpp")
target_link_libraries(KavrinetIconRenderer PRIVATE Qt6::Gui Qt6::Svg)
kavrinet_install(FILES "${_kavrinet_icon}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
set(_kavrinet_made_files "")
foreach(size IN LISTS KAVRINET_ICON_SIZES)
  set(png "${_kavrinet_made}/${KAVRINET_APPLICATION_ID}-${size}.png")
  # A sanitized build's renderer must not fail the build over what Qt keeps until exit.
  add_custom_command(OUTPUT "${png}"
    COMMAND "${CMAKE_COMMAND}" -E env ASAN_OPTIONS=detect_leaks=0
            "$<TARGET_FILE:KavrinetIconRenderer>" "${_kavrinet_icon}" ${size} "${png}"
    DEPENDS KavrinetIconRenderer "${_kavrinet_icon}" VERBATIM)
  list(APPEND _kavrinet_made_files "${png}")
  kavrinet_install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
    RENAME "${KAVRINET_APPLICATION_ID}.png")
endforeach()

# The manual page and the changelog, compressed as Debian wants them (gzip -9, without a time or a
# name in the header).
configure_file("${_kavrinet_packaging}/kavrinet.1.in" "${_kavrinet_made}/kavrinet.1" @ONLY)
configure_file("${_kavrinet_packaging}/changelog.in" "${_kavrinet_made}/changelog" @ONLY)
file(STRINGS "${_kavrinet_packaging}/changelog.in" _kavrinet_release LIMIT_COUNT 1)
if(NOT _kavrinet_release MATCHES "^kavrinet \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "Packaging/changelog.in does not begin with an entry for version ${PROJECT_VERSION}")
endif()
foreach(document kavrinet.1 changelog)
  add_custom_command(OUTPUT "${_kavrinet_made}/${document}.gz"
    COMMAND gzip -9nkf "${_kavrinet_made}/${document}"
    DEPENDS "${_kavrinet_made}/${document}" VERBATIM)
  list(APPEND _kavrinet_made_files "${_kavrinet_made}/${document}.gz")
endforeach()
add_custom_target(KavrinetInstallFiles ALL DEPENDS ${_kavrinet_made_files})
kavrinet_install(FILES "${_kavrinet_made}/kavrinet.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
kavrinet_install(FILES "${_kavrinet_packaging}/copyright" "${_kavrinet_made}/changelog.gz"
  DESTINATION "${_kavrinet_doc}")
kavrinet_install(FILES "${_kavrinet_packaging}/${KAVRINET_APPLICATION_ID}.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The desktop entry names the program under the prefix given at install time (`--prefix`, or the
# package's /usr), which is only known then. Opening it is a manual launch; opening it again while
# the agent runs asks that agent to show its dashboard. Comment and Keywords are the product's own
# words; TryExec lets the menu drop the entry once the program is gone.
install(CODE "set(kavrinet_entry_name \"${KAVRINET_APPLICATION_ID}.desktop\")
set(kavrinet_bindir \"${CMAKE_INSTALL_BINDIR}\")
set(kavrinet_datadir \"${CMAKE_INSTALL_DATADIR}\")")
install(CODE [=[
  set(program "${CMAKE_INSTALL_PREFIX}/${kavrinet_bindir}/kavrinet")
  # An Exec argument with anything but plain path characters is double-quoted, with ", `, $ and \
  # escaped; "%" is always doubled. The value's own escape then doubles every backslash, which is
  # all that TryExec, a plain string, needs.
  string(REPLACE "%" "%%" exec "${program}")
  if(NOT program MATCHES "^[-A-Za-z0-9_./+@,=:]+$")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
  endif()
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\\" "\\\\" tryexec "${program}")
  kavrinet_install_text("$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${kavrinet_datadir}/applications/${kavrinet_entry_name}"
"[Desktop Entry]
Type=Application
Name=Kavrinet
Comment=Watches the external storage drives attached to this computer
Comment[ko]=외장 드라이브의 연결과 활동을 빠르게 확인하세요.
Keywords=drive;disk;USB;storage;Thunderbolt;I/O;volume;
Keywords[ko]=드라이브;저장장치;외장;볼륨;장치;
Icon=local.mirosal.Kavrinet
TryExec=${tryexec}
Exec=${exec}
Terminal=false
Categories=System;Monitor;
StartupWMClass=Kavrinet
")
]=])

# The list of what this install put under its prefix, kept with the install for
# scripts/uninstall.sh: CMake's own, in the build folder, is rewritten by every install from there,
# cpack's included. An install over an earlier one keeps that one's files in the list. A staged
# install (DESTDIR, as cpack's) gets none: its files end up elsewhere, and a package has dpkg's
# own list. Deferred to the end of the top folder, so that it is the last install rule and sees
# every file.
function(_kavrinet_install_manifest)
  install(CODE "set(kavrinet_manifest \"${CMAKE_INSTALL_DATADIR}/kavrinet/install-manifest.txt\")")
  install(CODE [=[
    if("$ENV{DESTDIR}" STREQUAL "")
      set(manifest "${CMAKE_INSTALL_PREFIX}/${kavrinet_manifest}")
      set(files ${CMAKE_INSTALL_MANIFEST_FILES})
      if(EXISTS "${manifest}")
        file(STRINGS "${manifest}" earlier)
        list(APPEND files ${earlier})
      endif()
      list(REMOVE_DUPLICATES files)
      list(JOIN files "\n" lines)
      kavrinet_install_text("${manifest}" "${lines}\n")
    endif()
  ]=])
endfunction()
cmake_language(DEFER CALL _kavrinet_install_manifest)

# The package: dependencies from the programs' libraries (dpkg-shlibdeps) and a Korean font, the
# architecture from dpkg, installed under /usr. DESTDIR staging keeps CMAKE_INSTALL_PREFIX at /usr
# while the desktop entry is written.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavrinet)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${KAVRINET_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watches the external storage drives attached to this computer")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kavrinet shows which external drives and volumes are present, how many bytes"
  "the host reads from and writes to each, how fast their USB or Thunderbolt link"
  "is, and whether one remembered drive stays connected.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# All of its own texts are Korean: without a Korean font every window shows empty boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-nanum | fonts-noto-cjk")
# Qt's own words in the user's language; Qt's Wayland platform, without which a Wayland session
# without XWayland has no display for the programs; xdg-open, the fallback of revealing a volume.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland, xdg-utils")
# Made again from a normalised tree, with the times of the source's commit (the changelog's when
# the source is no git checkout) and the right Installed-Size.
set(CPACK_KAVRINET_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_KAVRINET_CHANGELOG "${_kavrinet_made}/changelog")
set(CPACK_POST_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/KavrinetDebRepack.cmake")
include(CPack)
