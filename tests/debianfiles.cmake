# The changelog date and the copyright terms that the package is built with, checked on their
# own: a wrong day of the week or a garbled licence would only show in lintian much later.
#   cmake -DKELO_SOURCE_DIR=... -P debianfiles.cmake
include("${KELO_SOURCE_DIR}/cmake/KeloDebianFiles.cmake")

macro(expect what actual expected)
    if(NOT "${actual}" STREQUAL "${expected}")
        message(SEND_ERROR "${what}: got \"${actual}\", expected \"${expected}\"")
    endif()
endmacro()

# Leap days, the turn of a century, and January and February, which count to the year before.
foreach(case
        "2026-12-08|Tue, 08 Dec 2026" "2024-02-29|Thu, 29 Feb 2024" "2000-01-01|Sat, 01 Jan 2000"
        "2100-03-01|Mon, 01 Mar 2100" "2027-01-31|Sun, 31 Jan 2027" "2026-09-09|Wed, 09 Sep 2026"
        "1999-12-31|Fri, 31 Dec 1999" "2025-08-08|Fri, 08 Aug 2025")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 iso)
    list(GET case 1 day)
    kelo_rfc2822_date("${iso}" date)
    expect("the changelog date of ${iso}" "${date}" "${day} 00:00:00 +0000")
endforeach()

kelo_copyright_terms("${KELO_SOURCE_DIR}/LICENSE" notice terms)
expect("the copyright notice" "${notice}" "2026 Kelo Kelo developers")
string(REGEX MATCH "^[^\n]*" first_line "${terms}")
expect("the first line of the terms" "${first_line}"
    " Permission is hereby granted, free of charge, to any person obtaining a copy")
# A paragraph break is a line holding a single dot; no line of the terms is blank or unindented.
string(REPLACE "\n" ";" lines "${terms}")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^ [^ ]")
        message(SEND_ERROR "the copyright terms hold an unindented or blank line: \"${line}\"")
    endif()
endforeach()
list(FIND lines " ." paragraph_break)
if(paragraph_break EQUAL -1)
    message(SEND_ERROR "the copyright terms lost the breaks between their paragraphs")
endif()
