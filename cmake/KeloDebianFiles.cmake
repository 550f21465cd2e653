# Puts the project's release date into the form of a Debian changelog's trailer. It depends on
# nothing but its arguments, so that tests/debianfiles.cmake can run it alone.

# "2026-12-08" becomes "Tue, 08 Dec 2026 00:00:00 +0000". date(1) knows the calendar, and
# refuses a day that it lacks, such as 31 February: then the configuration stops.
function(kelo_rfc2822_date iso_date out_var)
    if(NOT iso_date MATCHES "^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
        message(FATAL_ERROR "the release date \"${iso_date}\" is not YYYY-MM-DD")
    endif()
    execute_process(COMMAND date -u -R -d "${iso_date}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE date
        ERROR_VARIABLE error
        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "the release date \"${iso_date}\" is no day of the calendar (${error})")
    endif()
    set(${out_var} "${date}" PARENT_SCOPE)
endfunction()
