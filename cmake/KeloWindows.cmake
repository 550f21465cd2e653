# The Windows program and the folder a Windows player unpacks. The game stays a console program,
# as it is at home on Windows: started from Explorer it opens a console beside its window,
# showing the chain search.
file(STRINGS "${PROJECT_SOURCE_DIR}/LICENSE" KELO_COPYRIGHT_LINE REGEX "^Copyright " LIMIT_COUNT 1)
set(KELO_WINDOWS_ICON "${KELO_DATA_DIR}/icons/kelokelo.ico")
set(KELO_WINDOWS_MANIFEST "${KELO_DATA_DIR}/windows/kelokelo.manifest")
configure_file("${KELO_DATA_DIR}/kelokelo.rc.in" "${CMAKE_CURRENT_BINARY_DIR}/kelokelo.rc" @ONLY)
target_sources(kelokelo PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/kelokelo.rc")
set_property(SOURCE "${CMAKE_CURRENT_BINARY_DIR}/kelokelo.rc" APPEND PROPERTY OBJECT_DEPENDS
    "${KELO_WINDOWS_ICON}" "${KELO_WINDOWS_MANIFEST}")
# The linker would stamp the time of the build into the program; the same sources give the
# same bytes without it.
target_link_options(kelo_options INTERFACE -Wl,--no-insert-timestamp)

# The unpacked folder: the game, the Qt it loads and the MinGW runtime beside it, the images
# a player may replace, and the licences.
install(TARGETS kelokelo RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
    DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
# Windows' own look for scroll bars and every other widget: one plugin holds the Windows 11
# style, which Qt picks on Windows 11, and the Vista style it falls back to on Windows 10.
install(FILES $<TARGET_FILE:Qt6::QModernWindowsStylePlugin> DESTINATION styles)
# The MinGW runtime comes with its debugging symbols, which a player has no use for: the zip
# gets stripped copies. They are made in bin/ of the build, where the tests and benchmarks
# defined after this are built too, so that Wine finds the runtime beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "The compiler does not know where its ${runtime} is")
    endif()
    set(stripped "${CMAKE_BINARY_DIR}/bin/${runtime}")
    add_custom_command(OUTPUT "${stripped}"
        COMMAND ${CMAKE_STRIP} --strip-unneeded -o "${stripped}" "${path}"
        DEPENDS "${path}"
        VERBATIM)
    list(APPEND kelo_runtime "${stripped}")
    list(APPEND kelo_runtime_dlls "${path}")
endforeach()
add_custom_target(kelo_runtime ALL DEPENDS ${kelo_runtime})
install(FILES ${kelo_runtime} DESTINATION .)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/images" DESTINATION .)
# README.txt, LICENSE and the notices of Qt and the MinGW runtime (from the packages of the
# DLLs it ships), with where the sources are, all with Windows' line ends.
include("${CMAKE_CURRENT_LIST_DIR}/KeloZip.cmake")
kelo_zip(windows-x86_64 WINDOWS RUNTIME_DLLS ${kelo_runtime_dlls}
    TEXT_FILES "${KELO_DATA_DIR}/windows/README.txt" "${PROJECT_SOURCE_DIR}/LICENSE")

# The tests run under Wine, with the environment of tests/wine.env, in a Wine prefix of the
# build's own that a test fixture makes first (tests/CMakeLists.txt), finding Qt's DLLs where
# Qt was built, and the runtime beside them. Qt logs to the debugger rather than to the
# console it cannot see in a pipe unless told otherwise, and Wine hands on variables named QT_*
# only as WINEQT_*.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
file(STRINGS "${PROJECT_SOURCE_DIR}/tests/wine.env" KELO_WINE_ENVIRONMENT REGEX "^[A-Z]")
list(APPEND KELO_WINE_ENVIRONMENT "WINEQT_FORCE_STDERR_LOGGING=1"
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix"
    "WINEPATH=${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
