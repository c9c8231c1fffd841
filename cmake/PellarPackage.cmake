# The Debian package: pellar_<version>_<arch>.deb with everything that
# `cmake --install` puts under the prefix (dist/CMakeLists.txt), installed
# under /usr. Its dependencies are computed from the binaries with
# dpkg-shlibdeps. It has no maintainer scripts and no files in /etc: dpkg
# removes every file it installed, the desktop, icon and man-page caches
# are refreshed by their own packages' triggers, udev picks up the rule by
# itself, and the users' settings (~/.config/pellar-remake) are never
# touched.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "pellar")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The ${PELLAR_PRODUCT_NAME} developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "programmer for two-chip smart cards on a parallel-port adapter")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PELLAR_HOMEPAGE_URL}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_VENDOR} <pellar-remake@users.noreply.github.com>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The description's body: CPack puts the summary above it, indents its
# lines and writes "." for the empty ones, as deb-control(5) wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"${PELLAR_PRODUCT_NAME} writes, reads and verifies smart cards that carry two
chips: an Atmel AT90S-family AVR processor (flash and internal EEPROM) and a
24Cxx I2C EEPROM wired to it. The PC drives the card through a passive
adapter on the parallel port (ppdev); the external EEPROM is reached through
a small loader program that the programmer writes into the card.

Images are loaded from Intel HEX, Motorola S-record, binary, ELF and
whole-card image files and edited in a built-in hex editor. A virtual card
that runs the card's processor cycle by cycle lets everything be tried
without an adapter.

The package gives the group lp the parallel ports (udev rule) and loads
ppdev at boot.")

include(CPack)
