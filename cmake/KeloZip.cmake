# The zip a Windows or browser player unpacks: CPack's ZIP generator over the install, in one
# folder named after the game, its version and the platform, with the notices that travel with
# a release in its licenses/ folder.
#
#   kelo_zip(<platform> [WINDOWS RUNTIME_DLLS <dll>... TEXT_FILES <file>...])
#
# The notices are the licences of everything the release ships built in, with their real
# copyright lines, and the way back to the sources of the game and of its Qt. tools/notices.py
# writes them when the build is configured, from the prose in data/notices and what
# scripts/build-qt keeps beside the Qt it built (QT6_INSTALL_PREFIX): the configure options,
# Qt's configuration summary and a link to the Debian source package of Qt, whose
# qt_attribution.json files name the third-party code that Qt builds in. WINDOWS: the release
# for Windows, which also ships the MinGW-w64 runtime DLLs RUNTIME_DLLS (their notices come
# from Debian's packages on this machine), and whose text files end their lines in CR LF, the
# TEXT_FILES installed at the top of the zip (README.txt, LICENSE) among them.
#
# Every time stamp in it is SOURCE_DATE_EPOCH when that is set (scripts/package sets it to
# the last commit's time), the files are in sorted order (KeloZipSort.cmake packs them again)
# and every mode is the install's own, whatever the umask: the same sources give the same bytes.
# A caller that ships programs with symbols to strip sets CPACK_STRIP_FILES first.
set(KELO_SOURCE_COMMIT "" CACHE STRING
    "The commit of the game's source that the release is built from (empty: ask git)")
set(KELO_SOURCE_REPOSITORY "" CACHE STRING
    "Where the game's source can be had, as the release's notes name it (empty: its name)")

function(kelo_zip platform)
    cmake_parse_arguments(PARSE_ARGV 1 arg "WINDOWS" "" "RUNTIME_DLLS;TEXT_FILES")
    set(script "${PROJECT_SOURCE_DIR}/tools/notices.py")
    set(notices "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices")
    set(windows)
    if(arg_WINDOWS)
        find_program(KELO_DPKG_QUERY dpkg-query REQUIRED)
        set(windows --windows "--dpkg-query=${KELO_DPKG_QUERY}")
    endif()
    if(NOT KELO_SOURCE_COMMIT)
        find_program(KELO_GIT_EXECUTABLE git)
    endif()
    list(TRANSFORM arg_RUNTIME_DLLS PREPEND "--runtime-dll=")
    list(TRANSFORM arg_TEXT_FILES PREPEND "--text-file=" OUTPUT_VARIABLE text_files)
    execute_process(
        COMMAND /usr/bin/python3 -I "${script}" ${windows} ${arg_RUNTIME_DLLS} ${text_files}
            "--qt-prefix=${QT6_INSTALL_PREFIX}" "--output-dir=${notices}"
            "--commit=${KELO_SOURCE_COMMIT}" "--git=${KELO_GIT_EXECUTABLE}"
            "--repository=${KELO_SOURCE_REPOSITORY}"
        OUTPUT_VARIABLE watched OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    # A new commit or checkout, new prose or another Qt configures the build again, so that the
    # notices follow: the script names the files it read them from.
    string(REPLACE "\n" ";" watched "${watched}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${script}" ${watched}
        "${QT6_INSTALL_PREFIX}/kelo-qt-configure.txt" "${QT6_INSTALL_PREFIX}/kelo-qt-config.summary"
        ${arg_TEXT_FILES})
    install(DIRECTORY "${notices}/" DESTINATION licenses)
    foreach(file IN LISTS arg_TEXT_FILES)
        cmake_path(GET file FILENAME name)
        install(FILES "${notices}.text/${name}" DESTINATION .)
    endforeach()

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
