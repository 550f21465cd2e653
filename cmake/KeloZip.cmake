# The zip a Windows or browser player unpacks: CPack's ZIP generator over the install, in one
# folder named after the game, its version and the platform.
#
# Every time stamp in it is SOURCE_DATE_EPOCH when that is set (scripts/package sets it to
# the last commit's time), the files are in sorted order (KeloZipSort.cmake packs them again)
# and every mode is the install's own, whatever the umask: the same sources give the same bytes.
# A caller that ships programs with symbols to strip sets CPACK_STRIP_FILES first.
function(kelo_zip platform)
    set(CPACK_PACKAGE_NAME kelokelo)
    set(CPACK_PACKAGE_VENDOR Quorvin)
    set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
    set(CPACK_PACKAGE_FILE_NAME "kelokelo-${PROJECT_VERSION}-${platform}")
    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    # CPack adds the files in the order the file system lists them: they are packed again in
    # sorted order.
    set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/KeloZipSort.cmake")
    # The package directory of a preset, or the build folder.
    set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
    # Named before CPack's module, which leaves its source package's name in the variable.
    set(KELO_ZIP "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip" PARENT_SCOPE)
    include(CPack)
endfunction()
