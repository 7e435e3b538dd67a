# The Debian package: cmake --build build && cpack -G DEB --config build/CPackConfig.cmake
set(CPACK_PACKAGE_NAME "zem-config")
set(CPACK_PACKAGE_VENDOR "ZEM Configuration developers")
set(CPACK_PACKAGE_CONTACT "${ZEM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for ZEM audio/video matrix units")
set(CPACK_PACKAGE_DESCRIPTION
  "ZEM Configuration reads, edits and writes back the whole configuration of a
ZEM multi-zone audio/video matrix (16 sources, 192 zones): names, the
favorites routing matrix, groups, restrictions, per-zone audio, EQ presets
and the network and front-panel options, over RS-232 or Telnet. It keeps
configurations as *.zem command files.
.
The package holds the window (zem-config), a command-line tool for scripted
import, export and batch work (zemctl) and a simulated unit to try the
program without hardware (zem-unit-sim).")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}")

set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZEM_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Libraries from dpkg-shlibdeps; the window and the handover sheet use
# Liberation Sans (DejaVu Sans where it is missing); zemctl sheet draws on
# Qt's offscreen platform, a plugin no library links to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core, qt6-qpa-plugins")
# Their dpkg triggers register the *.zem type (update-mime-database) and
# the desktop entry that opens it (update-desktop-database).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion, shared-mime-info, desktop-file-utils")

include(CPack)
