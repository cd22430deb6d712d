# The Debian package, made with CPack from the install rules: `cpack -G DEB` in the build tree
# writes dodu-pt-10_<version>_<arch>.deb. Its dependencies are the Debian packages of the shared
# libraries its programs load (dpkg-shlibdeps); what the library reaches only at run time through
# ODBC or CUPS is suggested.
set(DODU_PACKAGE_CONTACT "DODU_PT_10 developers" CACHE STRING "The Debian package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dodu-pt-10)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${DODU_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fiscal processor driver for Portugal (point-of-sale library)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "DODU_PT_10.so numbers, signs (RSA-SHA1, chained) and stores the sales, credit notes and voids "
       "of a point of sale and writes the texts Portuguese rules require on paper; it also keeps the "
       "till's day and answers Z and X reports. The package holds the library, its C header, a "
       "pkg-config file and a CMake package for a till's build, fiscal-host (a till on the command "
       "line, with a demo day), the store schemas and the documentation.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian packages carry no debug sections.
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc, odbc-postgresql, cups")
include(CPack)
