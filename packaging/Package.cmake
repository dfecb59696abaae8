# Installation and the Debian package.
#
# Layout under the prefix:
#   lib/nightdrive/           the three programs with data/ beside them
#   games/ or bin/            links to the programs (see below)
#   share/man/man6, man1      manual pages, gzipped
#   share/doc/nightdrive/     copyright and changelog.Debian.gz
#   share/applications, share/icons   the desktop entry and icon
#
# The links to nightdrive and nightdrive-headless go to games/ when installing
# into /usr or /usr/local (the system's game folders, on every user's PATH) and
# to bin/ under any other prefix such as ~/.local. nightdrive-xinfo is a plain
# utility and always goes to bin/.
include(GNUInstallDirs)

set(ND_PACKAGE_CONTACT "nightdrive developers <packages@nightdrive.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(ND_PACKAGE_RELEASE 1 CACHE STRING "Debian revision of the package")

# Private programs and their data: not a multiarch library folder.
set(ND_INSTALL_DIR lib/nightdrive)
set(ND_PROGRAMS nightdrive)
foreach(tool nightdrive-headless nightdrive-xinfo)
  if(TARGET ${tool})
    list(APPEND ND_PROGRAMS ${tool})
  endif()
endforeach()
# Hardened as Debian builds its packages: relocations resolved at start-up and then
# read-only.
foreach(program ${ND_PROGRAMS})
  target_link_options(${program} PRIVATE -Wl,-z,relro -Wl,-z,now)
endforeach()
install(TARGETS ${ND_PROGRAMS} RUNTIME DESTINATION ${ND_INSTALL_DIR})
install(DIRECTORY data/ DESTINATION ${ND_INSTALL_DIR}/data)
install(CODE "
  set(nd_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr(/local)?/?$\")
    set(nd_games games)
  else()
    set(nd_games ${CMAKE_INSTALL_BINDIR})
  endif()
  foreach(name ${ND_PROGRAMS})
    if(name STREQUAL \"nightdrive-xinfo\")
      set(dir ${CMAKE_INSTALL_BINDIR})
    else()
      set(dir \${nd_games})
    endif()
    file(MAKE_DIRECTORY \"\${nd_root}/\${dir}\")
    message(STATUS \"Installing: \${nd_root}/\${dir}/\${name} -> ../${ND_INSTALL_DIR}/\${name}\")
    file(CREATE_LINK ../${ND_INSTALL_DIR}/\${name} \"\${nd_root}/\${dir}/\${name}\" SYMBOLIC)
  endforeach()
")
install(FILES packaging/nightdrive.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/nightdrive.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The changelog names the package's version: the two must agree.
file(STRINGS packaging/changelog.in nd_changelog_head LIMIT_COUNT 1)
set(nd_deb_version ${PROJECT_VERSION}-${ND_PACKAGE_RELEASE})
if(NOT nd_changelog_head MATCHES "^nightdrive \\(${nd_deb_version}\\) ")
  message(FATAL_ERROR "packaging/changelog.in does not start with an entry for ${nd_deb_version}: ${nd_changelog_head}")
endif()
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)

# Manual pages and the changelog, gzipped as installed.
set(nd_gzipped)
function(nd_gzip in out)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${in} -DOUT=${out} -P ${CMAKE_SOURCE_DIR}/packaging/Gzip.cmake
    DEPENDS ${in} ${CMAKE_SOURCE_DIR}/packaging/Gzip.cmake VERBATIM)
  set(nd_gzipped ${nd_gzipped} ${out} PARENT_SCOPE)
endfunction()
set(ND_MAN_PAGES nightdrive.6 nightdrive-headless.6 nightdrive-xinfo.1)
foreach(page ${ND_MAN_PAGES})
  nd_gzip(${CMAKE_SOURCE_DIR}/packaging/man/${page} ${CMAKE_BINARY_DIR}/packaging/man/${page}.gz)
  string(REGEX REPLACE ".*\\." "" section ${page})
  install(FILES ${CMAKE_BINARY_DIR}/packaging/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
nd_gzip(${CMAKE_BINARY_DIR}/packaging/changelog.Debian ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_target(nd_package_files ALL DEPENDS ${nd_gzipped})

set(ND_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/nightdrive)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${ND_DOC_DIR})
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME nightdrive)

set(CPACK_PACKAGE_NAME nightdrive)
set(CPACK_PACKAGE_VENDOR "nightdrive developers")
set(CPACK_PACKAGE_CONTACT "${ND_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small real-time 3-D driving and walk-through demo")
# The summary is the synopsis; this is the extended description below it.
set(CPACK_PACKAGE_DESCRIPTION "A start menu picks the screen size, the depth buffer, the detail level and
six switches; the game then loads a small town of meshes and pictures and
draws it as fast as the display allows while you drive an eye around it:
by day or by night with street lamps and car lights, with fog, in
wireframe, or as a car that stops at the walls. Two cars drive round their
road without end and an animated figure walks.

It needs OpenGL 3.3 core (any current GPU driver, or Mesa's software
rasteriser) and an X11 display or XWayland. The package also has
nightdrive-headless, which runs the program without a display from an
input script for tests and timings, and nightdrive-xinfo, which checks
replacement meshes.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ND_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not found by the library scan: the GL driver (through
# libepoxy) and a font for the text.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, fonts-dejavu-core | fonts-dejavu")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
include(CPack)
