# The package's copyright file against LICENSE: a garbled licence would only show in lintian
# much later.
#   cmake -DKELO_SOURCE_DIR=... -P copyright.cmake

macro(expect what actual expected)
    if(NOT "${actual}" STREQUAL "${expected}")
        message(SEND_ERROR "${what}: got \"${actual}\", expected \"${expected}\"")
    endif()
endmacro()

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
