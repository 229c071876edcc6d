# The Windows package: `cpack -G ZIP` in the build folder (or the `package`
# target) makes Ostrel-<version>-win64.zip, one folder holding ostrel-cli.exe,
# its manual and the licence of the UnRAR code built into it.
install(FILES ${PROJECT_SOURCE_DIR}/src/cli/manual/使用说明.txt DESTINATION .)
install(FILES ${UNRAR_SOURCE_DIR}/license.txt DESTINATION . RENAME UnRAR-license.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
