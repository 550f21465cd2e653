# The options that a distribution's packager builds with, each tried on a configuration of the
# whole project in a scratch directory:
#   cmake -DKELO_SOURCE_DIR=... -DWORK_DIR=... -P packaging.cmake
# A case gives the flags the packager's tools pass, then what must follow from them: whether
# the project adds its own file-prefix mapping, whether the window tests are defined, the soak's
# length and the menu entry's command.
function(check_case name cxx_flags e2e soak_events exec)
    set(build "${WORK_DIR}/packaging-${name}")
    file(REMOVE_RECURSE "${build}")
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S "${KELO_SOURCE_DIR}" -B "${build}" -DCMAKE_BUILD_TYPE=None
                "-DCMAKE_CXX_FLAGS=${cxx_flags}" -DKELO_BUILD_E2E_TESTS=${e2e}
                "-DKELO_SOAK_EVENTS=${soak_events}" ${ARGN} -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${name}: the project does not configure:\n${output}")
    endif()

    # The packager's own mapping of paths stands alone; without one, the project maps its paths.
    file(READ "${build}/compile_commands.json" commands)
    string(FIND "${commands}" "-ffile-prefix-map=${KELO_SOURCE_DIR}/=" own_map)
    if(cxx_flags MATCHES "prefix-map" AND NOT own_map EQUAL -1)
        message(SEND_ERROR "${name}: the project maps its paths over the packager's mapping")
    elseif(NOT cxx_flags MATCHES "prefix-map" AND own_map EQUAL -1)
        message(SEND_ERROR "${name}: the project does not map its source path")
    endif()

    # Every test has a time limit; the soak plays as many events as asked.
    execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" --show-only=json-v1
        OUTPUT_VARIABLE json RESULT_VARIABLE result)
    string(JSON count LENGTH "${json}" tests)
    if(NOT result EQUAL 0 OR count EQUAL 0)
        message(FATAL_ERROR "${name}: ctest lists no tests")
    endif()
    math(EXPR last "${count} - 1")
    set(window_tests "")
    foreach(i RANGE ${last})
        string(JSON test GET "${json}" tests ${i} name)
        string(JSON properties GET "${json}" tests ${i} properties)
        string(JSON property_count LENGTH "${properties}")
        math(EXPR last_property "${property_count} - 1")
        set(timeout "")
        set(environment "")
        set(labels "")
        foreach(j RANGE ${last_property})
            string(JSON property GET "${properties}" ${j} name)
            if(property STREQUAL "TIMEOUT")
                string(JSON timeout GET "${properties}" ${j} value)
                string(REGEX REPLACE "\\.0*$" "" timeout "${timeout}")
            elseif(property STREQUAL "ENVIRONMENT")
                string(JSON environment GET "${properties}" ${j} value)
            elseif(property STREQUAL "LABELS")
                string(JSON labels GET "${properties}" ${j} value)
            endif()
        endforeach()
        if(labels MATCHES "\"e2e\"")
            list(APPEND window_tests ${test})
        endif()
        if(NOT timeout GREATER 0)
            message(SEND_ERROR "${name}: the test ${test} has no time limit")
        endif()
        # QtTest's own limit on a test function must not come before the test's.
        if(environment MATCHES "QT_QPA_PLATFORM=offscreen"
                AND NOT environment MATCHES "\"QTEST_FUNCTION_TIMEOUT=${timeout}000\"")
            message(SEND_ERROR "${name}: QtTest may end ${test} before its ${timeout} s: ${environment}")
        endif()
        if(test STREQUAL "tst_soak")
            if(soak_events STREQUAL "" AND environment MATCHES "KELO_SOAK_EVENTS")
                message(SEND_ERROR "${name}: the soak's length is set: ${environment}")
            elseif(NOT soak_events STREQUAL ""
                    AND NOT environment MATCHES "\"KELO_SOAK_EVENTS=${soak_events}\"")
                message(SEND_ERROR "${name}: the soak does not play ${soak_events} events: ${environment}")
            endif()
        endif()
    endforeach()

    if(e2e AND NOT window_tests)
        message(SEND_ERROR "${name}: the window tests are not defined")
    elseif(NOT e2e AND window_tests)
        message(SEND_ERROR "${name}: the window tests are defined: ${window_tests}")
    endif()

    file(STRINGS "${build}/data/io.github.quorvin.kelokelo.desktop" exec_line REGEX "^Exec=")
    if(NOT exec_line STREQUAL "Exec=${exec}")
        message(SEND_ERROR "${name}: the menu entry says \"${exec_line}\", expected Exec=${exec}")
    endif()
    file(REMOVE_RECURSE "${build}")
endfunction()

# As Debian's tools build it: dpkg-buildflags maps the build path, the game goes to /usr/games,
# there may be no X server, and a slow machine plays a shorter soak.
check_case(debian "-O2 -ffile-prefix-map=/build/kelokelo=." OFF 50000 /usr/games/kelokelo
    -DCMAKE_INSTALL_PREFIX=/usr -DKELO_INSTALL_BINDIR=games -DKELO_TEST_TIMEOUT=2400)
# As docs/building.md builds it by hand.
check_case(default "" ON "" kelokelo -DCMAKE_INSTALL_PREFIX=/usr/local)
