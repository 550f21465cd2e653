# The changelog date and the copyright file that the package is built with, checked on their
# own: a wrong day of the week or a garbled licence would only show in lintian much later.
#   cmake -DKELO_SOURCE_DIR=... -DWORK_DIR=... -P debianfiles.cmake
# With -DKELO_DATE=YYYY-MM-DD it only prints that day as the changelog has it, so that a date
# that must stop the configuration can be tried in a process of its own.
include("${KELO_SOURCE_DIR}/cmake/KeloDebianFiles.cmake")

if(DEFINED KELO_DATE)
    kelo_rfc2822_date("${KELO_DATE}" date)
    message("${date}")
    return()
endif()

macro(expect what actual expected)
    if(NOT "${actual}" STREQUAL "${expected}")
        message(SEND_ERROR "${what}: got \"${actual}\", expected \"${expected}\"")
    endif()
endmacro()

# Leap days, the turn of a century, and January and February, which count to the year before
# in hand-made weekday formulas.
foreach(case
        "2026-12-08|Tue, 08 Dec 2026" "2024-02-29|Thu, 29 Feb 2024" "2000-01-01|Sat, 01 Jan 2000"
        "2100-03-01|Mon, 01 Mar 2100" "2027-01-31|Sun, 31 Jan 2027" "2026-09-09|Wed, 09 Sep 2026"
        "1999-12-31|Fri, 31 Dec 1999" "2025-08-08|Fri, 08 Aug 2025" "2000-02-29|Tue, 29 Feb 2000")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 iso)
    list(GET case 1 day)
    kelo_rfc2822_date("${iso}" date)
    expect("the changelog date of ${iso}" "${date}" "${day} 00:00:00 +0000")
endforeach()

# Days that no calendar has, and dates in other forms, stop the configuration with a message
# that names the date.
foreach(case
        "2026-02-31|is no day of the calendar" "2025-02-29|is no day of the calendar"
        "2100-02-29|is no day of the calendar" "2026-13-01|is no day of the calendar"
        "2026-04-31|is no day of the calendar" "2026-00-10|is no day of the calendar"
        "2026-12-8|is not YYYY-MM-DD" "08/12/2026|is not YYYY-MM-DD" "tomorrow|is not YYYY-MM-DD"
        "2026-12-08 12:00|is not YYYY-MM-DD")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 iso)
    list(GET case 1 reason)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DKELO_SOURCE_DIR=${KELO_SOURCE_DIR} "-DKELO_DATE=${iso}"
                -P ${CMAKE_CURRENT_LIST_FILE}
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(result EQUAL 0)
        message(SEND_ERROR "the release date \"${iso}\" was taken: ${output}")
    elseif(NOT output MATCHES "the release date \"${iso}\" ${reason}")
        message(SEND_ERROR "the release date \"${iso}\" failed without saying it ${reason}: ${output}")
    endif()
endforeach()

# The copyright file's notice and licence text are those of LICENSE, in the form of a Debian
# copyright file: every line indented by one space, a lone dot for a blank line. Compared as
# whole texts, so that no character of the terms is taken for list syntax.
file(READ "${KELO_SOURCE_DIR}/LICENSE" license)
file(READ "${KELO_SOURCE_DIR}/data/copyright" copyright)
if(NOT license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n")
    message(FATAL_ERROR "LICENSE has no copyright notice")
endif()
set(notice "${CMAKE_MATCH_1}")
string(FIND "${license}" "${CMAKE_MATCH_0}" start)
string(LENGTH "${CMAKE_MATCH_0}" length)
math(EXPR start "${start} + ${length}")
string(SUBSTRING "${license}" ${start} -1 terms)
if(NOT copyright MATCHES "\nFiles: \\*\nCopyright: ([^\n]+)\nLicense: Expat\n")
    message(FATAL_ERROR "data/copyright has no Files: * paragraph under the Expat licence")
endif()
expect("the notice in data/copyright" "${CMAKE_MATCH_1}" "${notice}")
string(FIND "${copyright}" "\n\nLicense: Expat\n" start)
if(start EQUAL -1)
    message(FATAL_ERROR "data/copyright has no stand-alone paragraph of the Expat licence")
endif()
math(EXPR start "${start} + 17")
string(SUBSTRING "${copyright}" ${start} -1 body)
if(NOT body MATCHES "^( [^\n]*\n)+$")
    message(SEND_ERROR "the licence in data/copyright holds an unindented or blank line")
endif()
string(REGEX REPLACE "(^|\n) \\.\n" "\\1\n" body "${body}")
string(REGEX REPLACE "(^|\n) " "\\1" body "${body}")
expect("the licence in data/copyright" "${body}" "${terms}")

# The debian/ folder of a maintainer's build: the maintainer and the description in the control
# file, in Debian's form and word for word those of data/description.txt, nothing left
# unfilled, the release as the package's first upload, and rules still executable.
set(debian "${WORK_DIR}/debian-folder")
file(REMOVE_RECURSE "${debian}")
kelo_debian_folder("${debian}" "1.2.3" "A Packager <packager@example.org>" "2024-02-29")
file(READ "${debian}/control" control)
file(READ "${debian}/changelog" changelog)
if(NOT control MATCHES "\nMaintainer: A Packager <packager@example.org>\n")
    message(SEND_ERROR "the control file names another maintainer:\n${control}")
endif()
if(NOT control MATCHES "\nDescription: ([^\n]+)\n(( [^\n]+\n)+)$")
    message(FATAL_ERROR "the control file ends in no description of Debian's form:\n${control}")
endif()
set(summary "${CMAKE_MATCH_1}")
set(long "${CMAKE_MATCH_2}")
string(REGEX REPLACE "(^|\n) \\.\n" "\\1\n" long "${long}")
string(REGEX REPLACE "(^|\n) " "\\1" long "${long}")
file(READ "${KELO_SOURCE_DIR}/data/description.txt" description)
expect("the description in the control file" "${summary}\n${long}" "${description}")
if("${control}${changelog}" MATCHES "@[A-Z_]+@")
    message(SEND_ERROR "a placeholder is left in debian/:\n${control}${changelog}")
endif()
string(REGEX MATCH "^[^\n]*" first "${changelog}")
expect("the changelog's first line" "${first}" "kelokelo (1.2.3-1) unstable; urgency=medium")
string(REGEX MATCH "\n -- [^\n]*\n$" trailer "${changelog}")
expect("the changelog's trailer" "${trailer}"
    "\n -- A Packager <packager@example.org>  Thu, 29 Feb 2024 00:00:00 +0000\n")
execute_process(COMMAND test -x "${debian}/rules" RESULT_VARIABLE result)
expect("debian/rules executable" "${result}" "0")
