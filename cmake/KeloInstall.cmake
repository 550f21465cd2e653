# Install rules and packaging.
#
# Included from the top-level CMakeLists.txt once the targets exist and GNUInstallDirs is
# loaded. Paths are taken relative to this file, not to CMAKE_SOURCE_DIR, so that the rules
# still hold when another project pulls Kelo Kelo in with add_subdirectory().

set(KELO_APP_ID "io.github.quorvin.kelokelo")
set(KELO_DATA_DIR "${CMAKE_CURRENT_LIST_DIR}/../data")
cmake_path(NORMAL_PATH KELO_DATA_DIR)

# The installed game needs no data files of its own: the blob images are compiled into it,
# and it falls back to those copies when ./images is missing. The static library kelo is
# only linked into the game, so nothing of it is installed either.
install(TARGETS kelokelo
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT kelokelo)

install(FILES "${KELO_DATA_DIR}/${KELO_APP_ID}.desktop"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    COMPONENT kelokelo)
install(FILES "${KELO_DATA_DIR}/${KELO_APP_ID}.metainfo.xml"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
    COMPONENT kelokelo)
# The desktop entry and the metainfo name the icon "kelokelo".
install(FILES "${KELO_DATA_DIR}/icons/kelokelo.png"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
    COMPONENT kelokelo)
install(FILES "${KELO_DATA_DIR}/icons/kelokelo.svg"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT kelokelo)
install(FILES "${KELO_DATA_DIR}/kelokelo.6"
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
    COMPONENT kelokelo)

install(FILES "${KELO_DATA_DIR}/../LICENSE" "${KELO_DATA_DIR}/../README.md"
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kelokelo
    COMPONENT kelokelo)

# Packaging belongs to whoever builds Kelo Kelo on its own. A project that includes it keeps
# its own CPack settings, so nothing below is touched there.
if(NOT PROJECT_IS_TOP_LEVEL)
    return()
endif()

set(CPACK_PACKAGE_NAME "kelokelo")
set(CPACK_PACKAGE_VENDOR "Quorvin")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "falling-blob puzzle game")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_PACKAGE_CONTACT "Kelo Kelo developers <maintainers@users.noreply.example>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "kelokelo")
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE "${KELO_DATA_DIR}/../LICENSE")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The long description; CPack puts the summary above it and indents it the way Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pairs of coloured blobs fall into a well six cells wide and twelve cells
high. Steer and turn each pair; four or more touching blobs of one colour
vanish, the blobs above them fall, and chains follow.

Every colour also carries its own mark, so that the blobs can be told
apart without telling the colours apart.")
# Let dpkg-shlibdeps work out the Qt and C++ runtime libraries the game links against, rather
# than keeping a list by hand that goes stale with every Qt update.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian packages own their files as root, whoever builds them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR "DEB")

include(CPack)
