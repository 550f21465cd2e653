# The checks of a release zip (tests/release) as CTest tests labelled "release": one that builds
# the zip, as a fixture, and one that runs the checks on it.
#
#   include(tests/release/KeloReleaseTests.cmake)
#   kelo_add_release_tests(windows
#       ZIP ${CMAKE_BINARY_DIR}/release-windows/kelokelo-${PROJECT_VERSION}-windows-x86_64.zip
#       BUILD_COMMAND ${PROJECT_SOURCE_DIR}/scripts/package-windows ${CMAKE_BINARY_DIR}/release-windows)
#
# BUILD_COMMAND must leave the zip at ZIP. QT_SOURCE, when given, is the folder of the .dsc of
# the Qt that the zip carries, whose version and checksum its notes must give.

# The checks run under Debian's Python, which has Debian's pytest.
find_program(KELO_RELEASE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)

function(kelo_add_release_tests name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "ZIP;QT_SOURCE" "BUILD_COMMAND")
    if(NOT arg_ZIP OR NOT arg_BUILD_COMMAND)
        message(FATAL_ERROR "kelo_add_release_tests(${name}) needs ZIP and BUILD_COMMAND")
    endif()
    add_test(NAME release_${name}_zip COMMAND ${arg_BUILD_COMMAND})
    set_tests_properties(release_${name}_zip PROPERTIES
        FIXTURES_SETUP kelo_release_${name} LABELS release)
    set(options --zip=${arg_ZIP})
    if(arg_QT_SOURCE)
        list(APPEND options --qt-source=${arg_QT_SOURCE})
    endif()
    add_test(NAME release_${name}
        COMMAND ${KELO_RELEASE_PYTHON} -m pytest ${CMAKE_CURRENT_FUNCTION_LIST_DIR}
            -p no:cacheprovider -q ${options})
    set_tests_properties(release_${name} PROPERTIES
        FIXTURES_REQUIRED kelo_release_${name} LABELS release)
endfunction()
