# The Debian package, built with `cpack` from the build folder. The Qt, libdeflate and libsodium
# dependencies are read from the binaries; what is loaded at run time is named here, since no binary links it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glyphon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Glyphon)
set(CPACK_PACKAGE_CONTACT "Glyphon <support@glyphon.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Glyphon turns one square image into icon sets for macOS, iOS, watchOS, Android and the web.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://glyphon.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# WebP and TIFF sources are read through Qt's image-format plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-image-formats-plugins)
# The update check verifies the feed server's certificate against the system's store.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ca-certificates)
include(CPack)
