# Configures the host project in a scratch directory: it must generate, must not build the
# game's tests, and must leave packaging to the host.
set(build "${WORK_DIR}/subproject")
file(REMOVE_RECURSE "${build}")
execute_process(
    COMMAND ${CMAKE_COMMAND} -S "${CMAKE_CURRENT_LIST_DIR}" -B "${build}"
            "-DKELO_SOURCE_DIR=${KELO_SOURCE_DIR}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the host project does not configure:\n${output}")
endif()
if(EXISTS "${build}/CPackConfig.cmake")
    message(FATAL_ERROR "the game set up packaging inside the host project")
endif()
if(EXISTS "${build}/kelokelo/tests")
    message(FATAL_ERROR "the game's tests are built inside the host project")
endif()
