# What `cmake --install` puts under its prefix (PREFIX below), and the Debian package of the same
# tree (`cpack -G DEB` in the build folder):
#   PREFIX/lib/kavrinet/Kavrinet.app/...          the bundle as it is staged in the build folder
#   PREFIX/bin/kavrinet                           a link to the bundle's agent
#   PREFIX/share/icons/hicolor/scalable/apps/local.mirosal.Kavrinet.svg
#   PREFIX/share/applications/local.mirosal.Kavrinet.desktop
# The agent finds its bundle, and the login item its program, through its own resolved path, so a
# start through the link runs the installed bundle and never the build folder.
include_guard(GLOBAL)

set(KAVRINET_APPLICATION_ID "local.mirosal.Kavrinet")
set(KAVRINET_PACKAGE_MAINTAINER "Kavrinet maintainers <maintainers@mirosal.local>"
  CACHE STRING "Maintainer field of the Debian package")

set(_kavrinet_bundle "lib/kavrinet/Kavrinet.app")
set(_kavrinet_ui_bundle "${_kavrinet_bundle}/Contents/Helpers/KavrinetUI.app")
install(TARGETS Kavrinet RUNTIME DESTINATION "${_kavrinet_bundle}/Contents/MacOS")
install(FILES "$<TARGET_FILE_DIR:Kavrinet>/../Info.plist" DESTINATION "${_kavrinet_bundle}/Contents")
install(TARGETS KavrinetUI RUNTIME DESTINATION "${_kavrinet_ui_bundle}/Contents/MacOS")
install(FILES "$<TARGET_FILE_DIR:KavrinetUI>/../Info.plist" DESTINATION "${_kavrinet_ui_bundle}/Contents")

# A relative link, so that it holds under any prefix and inside the package.
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/Install")
file(CREATE_LINK "../${_kavrinet_bundle}/Contents/MacOS/Kavrinet" "${CMAKE_BINARY_DIR}/Install/kavrinet" SYMBOLIC)
install(FILES "${CMAKE_BINARY_DIR}/Install/kavrinet" DESTINATION bin)

# The status item's symbol is the application's icon.
install(FILES "${PROJECT_SOURCE_DIR}/Sources/Quentrel/Views/Symbols/svg/externaldrive.svg"
  DESTINATION share/icons/hicolor/scalable/apps RENAME "${KAVRINET_APPLICATION_ID}.svg")

# The desktop entry names the program under the prefix given at install time (`--prefix`, or the
# package's /usr), which is only known then. Opening it is a manual launch; opening it again while
# the agent runs asks that agent to show its dashboard.
install(CODE "set(kavrinet_entry_name \"${KAVRINET_APPLICATION_ID}.desktop\")")
install(CODE [=[
  set(program "${CMAKE_INSTALL_PREFIX}/bin/kavrinet")
  # An Exec argument with anything but plain path characters is double-quoted, with ", `, $ and \
  # escaped; "%" is always doubled. The value's own escape then doubles every backslash.
  string(REPLACE "%" "%%" exec "${program}")
  if(NOT program MATCHES "^[-A-Za-z0-9_./+@,=:]+$")
    string(REGEX REPLACE "([\"`$\\])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
  endif()
  string(REPLACE "\\" "\\\\" exec "${exec}")
  set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications")
  message(STATUS "Installing: ${folder}/${kavrinet_entry_name}")
  file(MAKE_DIRECTORY "${folder}")
  file(WRITE "${folder}/${kavrinet_entry_name}" "[Desktop Entry]
Type=Application
Name=Kavrinet
Icon=local.mirosal.Kavrinet
Exec=${exec}
Terminal=false
Categories=System;Monitor;
StartupWMClass=Kavrinet
")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${folder}/${kavrinet_entry_name}")
]=])

# The package: dependencies from the programs' libraries (dpkg-shlibdeps), the architecture from
# dpkg, installed under /usr. DESTDIR staging keeps CMAKE_INSTALL_PREFIX at /usr while the desktop
# entry is written.
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
# Its own texts are Korean; Qt's own words follow the locale with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum | fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
