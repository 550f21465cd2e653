# Install rules and the Debian package. Paths start from the game's own PROJECT_SOURCE_DIR, so
# that they hold inside another project too.
set(KELO_APP_ID "io.github.quorvin.kelokelo")
set(KELO_GENERATED_DIR "${CMAKE_CURRENT_BINARY_DIR}/data")
# Everything below installs as the component "kelokelo", which an including project can pick.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME kelokelo)

# Debian puts games in /usr/games; a plain install from source keeps them in bin.
set(KELO_INSTALL_BINDIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
    "Where the game is installed, relative to the prefix (games for a Debian package)")
set(KELO_PACKAGE_MAINTAINER "" CACHE STRING
    "Name <address> of whoever builds the Debian package; unset, no package is configured")

# A bin directory is on every PATH, a games directory not on every one: the menu entry then
# names the game by its full path.
if(KELO_INSTALL_BINDIR STREQUAL CMAKE_INSTALL_BINDIR)
    set(KELO_DESKTOP_EXEC "kelokelo")
else()
    cmake_path(ABSOLUTE_PATH KELO_INSTALL_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
        OUTPUT_VARIABLE KELO_DESKTOP_EXEC)
    string(APPEND KELO_DESKTOP_EXEC "/kelokelo")
endif()

foreach(file ${KELO_APP_ID}.desktop ${KELO_APP_ID}.metainfo.xml kelokelo.6)
    configure_file("${KELO_DATA_DIR}/${file}.in" "${KELO_GENERATED_DIR}/${file}" @ONLY)
endforeach()

# Installs the generated file <name> compressed at the highest level and without a name or a
# time stamp, so that two builds of the same sources give the same bytes.
add_custom_target(kelo_documents ALL)
function(kelo_install_gzipped name destination)
    set(output "${KELO_GENERATED_DIR}/${name}.gz")
    add_custom_command(OUTPUT "${output}"
        COMMAND gzip -9nc "${KELO_GENERATED_DIR}/${name}" > "${output}"
        DEPENDS "${KELO_GENERATED_DIR}/${name}"
        VERBATIM)
    target_sources(kelo_documents PRIVATE "${output}")
    install(FILES "${output}" DESTINATION ${destination})
endfunction()
kelo_install_gzipped(kelokelo.6 ${CMAKE_INSTALL_MANDIR}/man6)

# The installed game needs no data files of its own: the blob images are compiled into it,
# and it falls back to those copies when ./images is missing. The static library kelo is
# only linked into the game, so nothing of it is installed either.
install(TARGETS kelokelo RUNTIME DESTINATION ${KELO_INSTALL_BINDIR})

install(FILES "${KELO_GENERATED_DIR}/${KELO_APP_ID}.desktop"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${KELO_GENERATED_DIR}/${KELO_APP_ID}.metainfo.xml"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The desktop entry and the metainfo name the icon "kelokelo".
install(FILES "${KELO_DATA_DIR}/icons/kelokelo.png"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES "${KELO_DATA_DIR}/icons/kelokelo.svg"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The copyright file carries LICENSE's notice and terms word for word, in the form Debian
# reads: every line indented by a space, a lone dot for a blank one.
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" kelo_licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/LICENSE")
string(REGEX MATCH "\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])" kelo_licence "${kelo_licence}")
set(KELO_COPYRIGHT "${CMAKE_MATCH_1}")
string(REPLACE "\n" "\n " KELO_LICENSE_TERMS " ${CMAKE_MATCH_2}")
string(REPLACE "\n \n" "\n .\n" KELO_LICENSE_TERMS "${KELO_LICENSE_TERMS}")
configure_file("${KELO_DATA_DIR}/copyright.in" "${KELO_GENERATED_DIR}/copyright" @ONLY)
set(KELO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kelokelo)
install(FILES "${KELO_GENERATED_DIR}/copyright" "${PROJECT_SOURCE_DIR}/README.md"
    DESTINATION ${KELO_DOC_DIR})
# The README's picture and the pages it links to, where its links look for them.
file(GLOB kelo_docs "${PROJECT_SOURCE_DIR}/docs/*.md")
install(FILES "${PROJECT_SOURCE_DIR}/docs/screenshot.png" ${kelo_docs}
    DESTINATION ${KELO_DOC_DIR}/docs)

# Packaging belongs to whoever builds Kelo Kelo on its own, and names who built the package.
# A project that includes the game keeps its own CPack settings, so nothing below is touched
# there.
if(NOT PROJECT_IS_TOP_LEVEL OR KELO_PACKAGE_MAINTAINER STREQUAL "")
    return()
endif()

# What Debian asks of every package: its changelog and a machine-readable copyright file.
# The changelog dates the release in RFC 2822's form, "Tue, 08 Dec 2026 00:00:00 +0000", which
# date(1) writes; a day that the calendar lacks stops the configuration.
execute_process(COMMAND date -u -R -d "${KELO_RELEASE_DATE}"
    OUTPUT_VARIABLE KELO_RELEASE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
configure_file("${KELO_DATA_DIR}/changelog.in" "${KELO_GENERATED_DIR}/changelog" @ONLY)
kelo_install_gzipped(changelog ${KELO_DOC_DIR})

# CPack's defaults give the version, Debian's maintainer (the contact) and priority (optional).
set(CPACK_PACKAGE_CONTACT "${KELO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
# The summary and the long description, stated once in data/description.txt; CPack indents the
# long one the way Debian wants.
file(STRINGS "${KELO_DATA_DIR}/description.txt" CPACK_PACKAGE_DESCRIPTION_SUMMARY LIMIT_COUNT 1)
file(READ "${KELO_DATA_DIR}/description.txt" kelo_description)
string(REGEX REPLACE "^[^\n]*\n(.*)$" "\\1" kelo_description "${kelo_description}")
string(STRIP "${kelo_description}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
# Let dpkg-shlibdeps work out the Qt and C++ runtime libraries the game links against, rather
# than keeping a list by hand that goes stale with every Qt update.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian packages own their files as root, whoever builds them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR "DEB")
include(CPack)
