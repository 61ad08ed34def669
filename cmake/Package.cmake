# `make package` (cpack -G DEB): ravelin_VERSION_ARCH.deb with both programs, the
# desktop entry, the icons and the Debian copyright and changelog files. The runtime
# dependencies are worked out by dpkg-shlibdeps from the installed programs.

set(RAVELIN_PACKAGE_MAINTAINER "Ravelin developers <ravelin@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package")

set(RAVELIN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/ravelin)
# The release date of project(VERSION), for the changelog: change the two together.
set(RAVELIN_PACKAGE_DATE "Sun, 06 Dec 2026 00:00:00 +0000")

# Debian wants the licence as a machine-readable copyright file, which points at
# the system's copy of the GPL (LICENSE holds the same text).
file(WRITE ${PROJECT_BINARY_DIR}/package/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Ravelin

Files: *
Copyright: 2026 The Ravelin developers
License: GPL-3+

License: GPL-3+
 This program is free software: you can redistribute it and/or modify it under
 the terms of the GNU General Public License as published by the Free Software
 Foundation, either version 3 of the License, or (at your option) any later
 version.
 .
 This program is distributed in the hope that it will be useful, but WITHOUT ANY
 WARRANTY; without even the implied warranty of MERCHANTABILITY or FITNESS FOR A
 PARTICULAR PURPOSE. See the GNU General Public License for more details.
 .
 On Debian systems, the complete text of the GNU General Public License version 3
 can be found in \"/usr/share/common-licenses/GPL-3\".
")

# One entry per packaged version (a native package: changelog.gz); gzip -n keeps the
# file the same from build to build.
file(WRITE ${PROJECT_BINARY_DIR}/package/changelog
"ravelin (${PROJECT_VERSION}) unstable; urgency=medium

  * Version ${PROJECT_VERSION}.

 -- ${RAVELIN_PACKAGE_MAINTAINER}  ${RAVELIN_PACKAGE_DATE}
")
execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/package/changelog
                RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip failed on the package's changelog")
endif()

install(FILES ${PROJECT_BINARY_DIR}/package/copyright
              ${PROJECT_BINARY_DIR}/package/changelog.gz
        DESTINATION ${RAVELIN_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ravelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ravelin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animation of a ten-tap FIR digital filter")
set(CPACK_PACKAGE_DESCRIPTION
"Ravelin shows, one time step at a time, how a ten-tap FIR digital filter
works: the shift register, the products and their sum. It also filters mono
8- and 16-bit WAV files with a choice of filters, and the command-line tool
ravelin-cli does the same from scripts. The program's texts are in Japanese.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RAVELIN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform plugins
# are loaded at run time, so the desktop program names them itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# A font with Japanese glyphs, and Qt's own dialogs in Japanese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n")
# Control files and folders owned by root, as dpkg expects them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
