# Run by CPack once it has made a zip: packs it again with zip(1), its files in sorted order,
# each with the time SOURCE_DATE_EPOCH (or now) in UTC, since a zip keeps local times, and no
# extra fields (owners, access and change times). CPack adds the files in the order the file
# system lists them, which differs from one build folder to another.
cmake_path(GET CPACK_TEMPORARY_DIRECTORY PARENT_PATH stage)
cmake_path(GET CPACK_TEMPORARY_DIRECTORY FILENAME top)
string(TIMESTAMP epoch "%s" UTC)
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
    file(REMOVE "${zip}")
    execute_process(
        COMMAND find "${top}" -exec touch -h -d "@${epoch}" {} +
        WORKING_DIRECTORY "${stage}" RESULT_VARIABLE touch_failed)
    execute_process(
        COMMAND sh -c "find \"$1\" | LC_ALL=C sort | TZ=UTC zip -q -X -9 -@ \"$2\"" sh "${top}" "${zip}"
        WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed)
    if(touch_failed OR failed)
        message(FATAL_ERROR "Could not pack ${zip} again in sorted order")
    endif()
endforeach()
