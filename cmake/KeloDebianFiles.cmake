# Helpers that put the project's own data into the forms of Debian's packaging files. They
# depend on nothing but their arguments, so that tests/debianfiles.cmake can run them alone.

# The release date in the form of a Debian changelog's trailer, "Tue, 08 Dec 2026 00:00:00 +0000".
function(kelo_rfc2822_date iso_date out_var)
    if(NOT iso_date MATCHES "^([0-9][0-9][0-9][0-9])-([01][0-9])-([0-3][0-9])$")
        message(FATAL_ERROR "the release date \"${iso_date}\" is not YYYY-MM-DD")
    endif()
    set(year_text "${CMAKE_MATCH_1}")
    set(day_text "${CMAKE_MATCH_3}")
    # Leading zeros off, so that math() reads 08 and 09 as decimals.
    string(REGEX REPLACE "^0" "" month "${CMAKE_MATCH_2}")
    string(REGEX REPLACE "^0" "" day "${day_text}")
    math(EXPR month_index "${month} - 1")
    set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET month_names ${month_index} month_name)
    # Sakamoto's day of the week, 0 for Sunday; January and February count to the year before.
    set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    list(GET month_offsets ${month_index} offset)
    set(year ${year_text})
    if(month_index LESS 2)
        math(EXPR year "${year} - 1")
    endif()
    math(EXPR weekday "(${year} + ${year} / 4 - ${year} / 100 + ${year} / 400 + ${offset} + ${day}) % 7")
    set(weekday_names Sun Mon Tue Wed Thu Fri Sat)
    list(GET weekday_names ${weekday} weekday_name)
    set(${out_var} "${weekday_name}, ${day_text} ${month_name} ${year_text} 00:00:00 +0000"
        PARENT_SCOPE)
endfunction()

# The Debian copyright file carries the licence's own terms, taken from LICENSE.
function(kelo_copyright_terms license_file notice_var terms_var)
    file(STRINGS "${license_file}" lines)
    set(notice "")
    set(terms "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^Copyright \\(c\\) (.*)$")
            set(notice "${CMAKE_MATCH_1}")
        elseif(notice)
            if(line STREQUAL "")
                set(line ".")
            endif()
            string(APPEND terms " ${line}\n")
        endif()
    endforeach()
    # Drop the blank line between the notice and the terms, and the last newline.
    string(REGEX REPLACE "^ \\.\n" "" terms "${terms}")
    string(REGEX REPLACE "\n$" "" terms "${terms}")
    set(${notice_var} "${notice}" PARENT_SCOPE)
    set(${terms_var} "${terms}" PARENT_SCOPE)
endfunction()
