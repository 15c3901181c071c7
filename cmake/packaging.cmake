# The Debian package: `cpack -G DEB` in a build folder makes morvanex_<version>_amd64.deb with what
# `cmake --install` puts under /usr, its dependencies computed from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvanex)
set(CPACK_PACKAGE_VENDOR Morvanex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Morvanex maintainers <maintainers@morvanex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks fiscal document footer codes against approved firmware")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Morvanex decodes the 48-character FooterCode of a fiscal document with the approved firmware "
       "image it names and shows the document's data: the desktop application Morvanex and the "
       "scriptable morvanex-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
