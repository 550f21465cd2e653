#   kelo_zip(<platform> [WINDOWS RUNTIME_DLLS <dll>... TEXT_FILES <file>...])
#
# The zip a Windows or browser player unpacks: CPack's ZIP generator over the install, in one
# folder named after the game, its version and the platform, with the notices (written by
# tools/notices.py when the build is configured) in its licenses/ folder. WINDOWS: the
# notices cover the MinGW-w64 RUNTIME_DLLS too and end their lines in CR LF, as do the
# TEXT_FILES installed at the top of the zip.
set(KELO_SOURCE_COMMIT "" CACHE STRING
    "The commit of the game's source that the release is built from (empty: ask git)")
set(KELO_SOURCE_REPOSITORY "" CACHE STRING
    "Where the game's source can be had, as the release's notes name it (empty: its name)")

function(kelo_zip platform)
    cmake_parse_arguments(PARSE_ARGV 1 arg "WINDOWS" "" "RUNTIME_DLLS;TEXT_FILES")
    set(notices "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices")
    list(TRANSFORM arg_RUNTIME_DLLS PREPEND "--runtime-dll=")
    execute_process(
        COMMAND /usr/bin/python3 -I "${PROJECT_SOURCE_DIR}/tools/notices.py" ${arg_RUNTIME_DLLS}
            "--windows=${arg_WINDOWS}" "--qt-prefix=${QT6_INSTALL_PREFIX}" "--output-dir=${notices}"
            "--commit=${KELO_SOURCE_COMMIT}" "--repository=${KELO_SOURCE_REPOSITORY}"
        OUTPUT_VARIABLE watched COMMAND_ERROR_IS_FATAL ANY)
    # A new commit or checkout, new prose or another Qt configures the build again, so that the
    # notices follow: the script names the files they come from.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${watched})
    install(DIRECTORY "${notices}/" DESTINATION licenses)
    foreach(file IN LISTS arg_TEXT_FILES)
        cmake_path(GET file FILENAME name)
        configure_file("${file}" "${notices}.text/${name}" @ONLY NEWLINE_STYLE CRLF)
        install(FILES "${notices}.text/${name}" DESTINATION .)
    endforeach()

    set(CPACK_PACKAGE_FILE_NAME "kelokelo-${PROJECT_VERSION}-${platform}")
    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/KeloZipSort.cmake")
    # The package directory of a preset, or the build folder.
    set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
    # Named before CPack's module, which leaves its source package's name in the variable.
    set(KELO_ZIP "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip" PARENT_SCOPE)
    include(CPack)
endfunction()
