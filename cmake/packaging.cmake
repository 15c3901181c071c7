# The Debian package: `cpack -G DEB` in a build folder makes morvanex_<version>_amd64.deb with what
# `cmake --install` puts under /usr, its dependencies computed from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvanex)
set(CPACK_PACKAGE_VENDOR Morvanex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Morvanex maintainers <maintainers@morvanex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks fiscal document footer codes against approved firmware")
# Lines of at most 80 characters, as the extended description of a package wants them.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Morvanex decodes the 48-character footer code of a fiscal document with the\n"
       "approved firmware image it names, asks the operator to confirm the CNPJ it\n"
       "deciphers and shows the document's data. The package holds the desktop\n"
       "application Morvanex and the scriptable morvanex-cli.\n"
       ".\n"
       "An installed Morvanex starts in /var/lib/morvanex: the approved firmware goes\n"
       "into its folders TXT (one descriptor per image) and Bin (the images).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The workspace folders are made at installation and left in place at removal.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
if(NOT WIN32)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION share/doc/morvanex)
  morvanex_install_gzipped(${CMAKE_CURRENT_LIST_DIR}/debian/changelog share/doc/morvanex changelog)
endif()
include(CPack)
