# The Debian package made by `make package` (CPack): the installed tree
# under /usr, its shared-library dependencies found by dpkg-shlibdeps, and
# the documents Debian asks of every package.

set(QUORVANE_PACKAGE_MAINTAINER "Quorvane maintainers <maintainers@quorvane.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

# Debian's documents: the copyright file, and a changelog for this version
# (dated by SOURCE_DATE_EPOCH when set, for reproducible packages).
string(TIMESTAMP QUORVANE_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
  COMMAND ${QUORVANE_GZIP} -9 -n -k -f ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
install(FILES debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a folder tree of photos and movies into a web album")
# The summary is the Description's first line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvane scans a folder tree of pictures and movies, keeps a comment for
every picture, movie and folder beside them, makes thumbnails, intermediate
images and mosaic folder thumbnails, and writes a static HTML album through
a skin: a folder of scripts in its own small template language.
.
The package holds the desktop program quorvane, the command line program
quorvane-cli that runs the same jobs without a window, and the bundled
skins.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Movies play through Qt Multimedia's GStreamer back end; without these
# plugins the program still runs and movies show nothing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
