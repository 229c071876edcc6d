# The Debian package: `cmake --build <dir> --target package` (or `cpack -G DEB`
# in <dir>) makes ostrel_<version>_amd64.deb from the install rules, with the
# prefix /usr.
include(GNUInstallDirs)

set(OSTREL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/ostrel)

# Debian wants the package's copyright and a changelog compressed to the
# full (gzip -9n: no name or time stamp, so the package builds the same;
# -k keeps the configured file, the command's input).
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/changelog.in
  ${CMAKE_CURRENT_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_CURRENT_BINARY_DIR}/package/changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/package/changelog
  COMMENT "Compressing the package's changelog"
  VERBATIM)
add_custom_target(ostrel_package_docs ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/package/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/copyright
  ${CMAKE_CURRENT_BINARY_DIR}/package/changelog.gz DESTINATION ${OSTREL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ostrel maintainers <maintainers@ostrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prepare a USB flash drive for a T512/T508 handheld upgrade")
set(CPACK_PACKAGE_DESCRIPTION "\
Ostrel formats a removable drive if asked, descrambles the maker's upgrade
package, extracts it, turns its device files into images stamped with the
device identity and copies them to the drive, from which the handheld
upgrades itself. The windows speak Simplified Chinese, and ostrel-cli runs
the same upgrade without windows.")
# The DEB generator installs with this prefix and the staging folder as
# DESTDIR, so the desktop entry and the polkit action name /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no library link shows: mkfs.fat for formatting, pkexec to format as a
# desktop user (policykit-1 before bookworm split it), the CJK font the
# dialogs fall back to, and Qt's own Chinese texts (qtbase_zh_CN.qm).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "dosfstools, pkexec | policykit-1, fonts-wqy-microhei, qt6-translations-l10n")

include(CPack)
