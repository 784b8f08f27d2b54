# The Debian package: `cpack -G DEB` in the build tree makes
# brelvik_VERSION-REVISION_ARCH.deb of what `cmake --install` installs, under /usr.
set(BRELVIK_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
# Raised when the package changes but the program does not; a new program
# version starts again at 1. packaging/changelog.Debian names the same version.
set(BRELVIK_DEB_REVISION 1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brelvik)
set(CPACK_PACKAGE_VENDOR "Brelvik Project")
set(CPACK_PACKAGE_CONTACT "Brelvik Project <packages@brelvik.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://brelvik.org)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "channel lists of IPTV providers, channel-id files and exports")
# Read here rather than named as CPACK_PACKAGE_DESCRIPTION_FILE, which CPack
# escapes for XML (the apostrophes would read "&apos;").
file(READ ${BRELVIK_PACKAGING_DIR}/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BRELVIK_PACKAGING_DIR}/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# cpack installs the build tree as `cmake --install` does, without building
# it first (its preinstall step would otherwise build every target): the
# package holds what was built, and the test that makes it never builds
# while other tests run. `make install` then does not build either.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# Stripped in the package only: the build tree keeps its debug information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${BRELVIK_DEB_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from the libraries the programs load, as dpkg-shlibdeps reads them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The hicolor theme's index is what makes a desktop look in share/icons/hicolor
# at all; PT Sans is the face the window falls back to where "MS Sans Serif"
# is missing, the one that fits every caption on its button. Every desktop
# has the first, a bare system may have neither.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, fonts-paratype")

# What Debian wants beyond the install rules (gzipped manual pages, the
# copyright file, the changelog, modes that do not depend on the umask) is
# done to the staged tree, so that `cmake --install` stays as it is.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/deb_staging.cmake)
set(CPACK_BRELVIK_PACKAGING_DIR ${BRELVIK_PACKAGING_DIR})
set(CPACK_BRELVIK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/brelvik)
set(CPACK_BRELVIK_MAN_DIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_BRELVIK_BIN_DIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_BRELVIK_STRIP ${CMAKE_STRIP})

include(CPack)
