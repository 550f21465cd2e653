# The Debian changelog's date, and the debian/ folder of a maintainer's build. They depend on
# nothing but their arguments and data/, so that tests/debianfiles.cmake can run them alone.

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

# Writes the debian/ folder of a maintainer's debhelper build into DIR: data/debian with the
# maintainer and the description of data/description.txt in its control file, the copyright
# file, and a changelog that makes this release the package's first upload ("VERSION-1").
function(kelo_debian_folder dir version maintainer release_date)
    set(data "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../data")
    file(COPY "${data}/debian/" "${data}/copyright" DESTINATION "${dir}")
    # Debian's form of a long description: each line indented, a lone dot for a blank line.
    file(READ "${data}/description.txt" description)
    string(STRIP "${description}" description)
    string(REPLACE "\n\n" "\n.\n" description "${description}")
    string(REPLACE "\n" "\n " DESCRIPTION "${description}")
    set(MAINTAINER "${maintainer}")
    configure_file("${data}/debian/control" "${dir}/control" @ONLY)
    set(PROJECT_VERSION "${version}-1")
    set(KELO_PACKAGE_MAINTAINER "${maintainer}")
    kelo_rfc2822_date("${release_date}" KELO_RELEASE_RFC2822)
    configure_file("${data}/changelog.in" "${dir}/changelog" @ONLY)
endfunction()
