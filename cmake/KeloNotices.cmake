# The notices that travel with a release: the licences of everything the game ships built in,
# with their real copyright lines, and the way back to the sources it was built from.
#
#   include(cmake/KeloNotices.cmake)
#   kelo_install_notices(QT_PREFIX <qt> DESTINATION licenses
#       [WINDOWS RUNTIME_DLLS <dll>... TEXT_FILES <file>...])
#
# QT_PREFIX is a Qt built by scripts/build-qt: beside the build it keeps the configure options
# (kelo-qt-configure.txt), Qt's configuration summary (kelo-qt-config.summary) and a link to the
# Debian source package it was built from (kelo-qt-source), whose upstream tree holds Qt's
# qt_attribution.json files and licence texts. The notices are those of the parts of Qt that
# the release carries: Qt Core, Gui and Widgets with one platform plugin (windows and Windows'
# native styles for Windows, wasm for the browser), and of the third-party code that Qt's
# configuration built into them.
#
# WINDOWS: the release for Windows, which also ships the MinGW-w64 runtime DLLs (their notices,
# the GCC Runtime Library Exception and the GPL it refers to come from Debian's packages on this
# machine), and whose text files end their lines in CR LF. TEXT_FILES are further text files
# installed at the top of the release with the same line ends (README.txt, LICENSE), and
# RUNTIME_DLLS the paths of the MinGW runtime DLLs it ships.
#
# The files are made when the build is configured, in the build folder, by tools/notices.py
# from the prose in data/notices, and installed with the rest of the release.
# Their contents depend only on their inputs, in a fixed order.
#
# Which commit of the game the release is built from: the cache variable KELO_SOURCE_COMMIT
# when the packaging sets it, or else what git says of the source tree, when it is a git
# checkout. KELO_SOURCE_REPOSITORY names where the game's source can be had.

include_guard(GLOBAL)
# Its functions keep these policies wherever they are called from, cmake -P too.
cmake_policy(VERSION 3.24...3.31)

set(KELO_NOTICES_TOP_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
cmake_path(NORMAL_PATH KELO_NOTICES_TOP_DIR)

# Makes the notices in OUTPUT_DIR. Arguments as for kelo_install_notices(), with OUTPUT_DIR in
# place of DESTINATION.
function(kelo_write_notices)
    cmake_parse_arguments(PARSE_ARGV 0 arg "WINDOWS" "QT_PREFIX;OUTPUT_DIR" "RUNTIME_DLLS;TEXT_FILES")
    if(NOT arg_QT_PREFIX OR NOT arg_OUTPUT_DIR)
        message(FATAL_ERROR "kelo_write_notices() needs QT_PREFIX and OUTPUT_DIR")
    endif()
    set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tools/notices.py")
    set(windows "")
    if(arg_WINDOWS)
        find_program(KELO_DPKG_QUERY dpkg-query)
        set(windows --windows "--dpkg-query=${KELO_DPKG_QUERY}")
    endif()
    if(NOT KELO_SOURCE_COMMIT)
        find_program(KELO_GIT_EXECUTABLE git)
    endif()
    list(TRANSFORM arg_RUNTIME_DLLS PREPEND "--runtime-dll=")
    list(TRANSFORM arg_TEXT_FILES PREPEND "--text-file=")
    execute_process(
        COMMAND /usr/bin/python3 -I "${script}" ${windows} ${arg_RUNTIME_DLLS} ${arg_TEXT_FILES}
            "--qt-prefix=${arg_QT_PREFIX}" "--output-dir=${arg_OUTPUT_DIR}"
            "--commit=${KELO_SOURCE_COMMIT}" "--git=${KELO_GIT_EXECUTABLE}"
            "--repository=${KELO_SOURCE_REPOSITORY}"
        OUTPUT_VARIABLE watched OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE error
        RESULT_VARIABLE failed)
    string(STRIP "${error}" error)
    if(failed AND NOT error)
        set(error "/usr/bin/python3 could not run ${script}: ${failed}")
    endif()
    if(failed)
        message(FATAL_ERROR "${error}")
    endif()
    # A new commit or checkout, or new prose, configures the build again, so that the notes
    # follow: the script names the files it read them from.
    if(NOT CMAKE_SCRIPT_MODE_FILE)
        string(REPLACE "\n" ";" watched "${watched}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${script}" ${watched})
    endif()
endfunction()

function(kelo_install_notices)
    cmake_parse_arguments(PARSE_ARGV 0 arg "WINDOWS" "QT_PREFIX;DESTINATION" "RUNTIME_DLLS;TEXT_FILES")
    if(NOT arg_DESTINATION)
        message(FATAL_ERROR "kelo_install_notices() needs DESTINATION")
    endif()
    set(windows)
    if(arg_WINDOWS)
        set(windows WINDOWS)
    endif()
    set(out "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices")
    kelo_write_notices(QT_PREFIX "${arg_QT_PREFIX}" OUTPUT_DIR "${out}" ${windows}
        RUNTIME_DLLS ${arg_RUNTIME_DLLS} TEXT_FILES ${arg_TEXT_FILES})
    install(DIRECTORY "${out}/" DESTINATION "${arg_DESTINATION}")
    foreach(file IN LISTS arg_TEXT_FILES)
        cmake_path(GET file FILENAME name)
        install(FILES "${out}.text/${name}" DESTINATION .)
    endforeach()
    # What the notices are made from: a change to any of them makes them again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        "${arg_QT_PREFIX}/kelo-qt-configure.txt" "${arg_QT_PREFIX}/kelo-qt-config.summary"
        "${KELO_NOTICES_TOP_DIR}/LICENSE" ${arg_TEXT_FILES})
endfunction()

set(KELO_SOURCE_COMMIT "" CACHE STRING
    "The commit of the game's source that the release is built from (empty: ask git)")
set(KELO_SOURCE_REPOSITORY "" CACHE STRING
    "Where the game's source can be had, as the release's notes name it (empty: its name)")
