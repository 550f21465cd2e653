# The game for the browser: kelokelo.js and kelokelo.wasm, linked against a static Qt for
# WebAssembly, with Qt's loader, the page (web/index.html) and the game's icon as its favicon
# beside them, and what makes the page a web app that a browser installs and plays offline: its
# manifest, the icon at the sizes browsers ask for and a service worker. They are what the
# browser zip holds; any static web server can serve them.
#
# Included from the top-level CMakeLists.txt when emscripten builds the game.

set(KELO_TOP_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
cmake_path(NORMAL_PATH KELO_TOP_DIR)

# A static Qt links every resource of its libraries into the program: a small object calls the
# function that registers the resource, which pulls it in from the library. The game shows
# none of the widget styles' standard icons (of dialogs, file views, dock and tool bars, in many
# sizes: some 400 kB of PNG files that compress no further), the message box's icons or the
# shaders that compose windows with OpenGL: web/unusedresources.cpp defines those functions,
# registering nothing, and the linker takes them in place of Qt's.
target_sources(kelokelo PRIVATE "${KELO_TOP_DIR}/web/unusedresources.cpp")

# The page starts the program by the entry function's name, which Qt's loader asks for.
set_target_properties(kelokelo PROPERTIES QT_WASM_EXPORT_NAME kelokelo_entry)
# Every byte is downloaded before the game starts: the linker's optimiser works for size first.
target_link_options(kelokelo PRIVATE -Oz)
# and then once more: a second round finds more to leave out.
target_link_options(kelokelo PRIVATE -sBINARYEN_EXTRA_PASSES=-Oz)
# emscripten's small allocator in place of dlmalloc, which is larger and faster: the game
# allocates little after its start.
target_link_options(kelokelo PRIVATE -sMALLOC=emmalloc)
# The game reads ./images/kelo_*.png from its working directory, which is / in the page's
# virtual file system: the images are built into the program there, so that the page needs no
# extra download and the game finds them where it finds them on the desktop.
# Each file is named, in a fixed order: a whole folder would be packed in the order the file
# system lists it, which differs from one checkout to another.
foreach(kelo_image kelo_blue.png kelo_green.png kelo_red.png kelo_yellow.png)
    target_link_options(kelokelo PRIVATE
        "SHELL:--embed-file ${KELO_TOP_DIR}/images/${kelo_image}@/images/${kelo_image}")
    set_property(TARGET kelokelo APPEND PROPERTY LINK_DEPENDS "${KELO_TOP_DIR}/images/${kelo_image}")
endforeach()

# The page, and the game's icon as its favicon, beside the program and Qt's loader.
configure_file("${KELO_TOP_DIR}/web/index.html" "${CMAKE_CURRENT_BINARY_DIR}/index.html" COPYONLY)
configure_file("${KELO_TOP_DIR}/data/icons/kelokelo.png" "${CMAKE_CURRENT_BINARY_DIR}/favicon.png"
    COPYONLY)
install(FILES
    "${CMAKE_CURRENT_BINARY_DIR}/index.html"
    "${CMAKE_CURRENT_BINARY_DIR}/favicon.png"
    "${CMAKE_CURRENT_BINARY_DIR}/qtloader.js"
    "${CMAKE_CURRENT_BINARY_DIR}/kelokelo.js"
    "${CMAKE_CURRENT_BINARY_DIR}/kelokelo.wasm"
    DESTINATION .)

# The zip, with the notices of Qt and of what it builds in, which the page links statically,
# and where the sources of the game and of that Qt are.
include("${CMAKE_CURRENT_LIST_DIR}/KeloZip.cmake")
kelo_zip(web)

# The web app: its manifest, with the icon drawn from the SVG at the sizes browsers ask for.
find_program(KELO_RSVG_CONVERT rsvg-convert REQUIRED)
configure_file("${KELO_TOP_DIR}/web/manifest.json" "${CMAKE_CURRENT_BINARY_DIR}/manifest.json"
    COPYONLY)
set(kelo_web_files index.html favicon.png manifest.json qtloader.js kelokelo.js kelokelo.wasm)
foreach(kelo_size 192 512)
    add_custom_command(OUTPUT icon-${kelo_size}.png
        COMMAND "${KELO_RSVG_CONVERT}" --width=${kelo_size} --height=${kelo_size}
            --output=icon-${kelo_size}.png "${KELO_TOP_DIR}/data/icons/kelokelo.svg"
        DEPENDS "${KELO_TOP_DIR}/data/icons/kelokelo.svg"
        VERBATIM)
    list(APPEND kelo_web_files icon-${kelo_size}.png)
endforeach()
# The service worker keeps every file of the page, the notices among them; its cache is named
# after a digest of them all, made once the program is linked.
set(kelo_web_list "./ ${CMAKE_CURRENT_BINARY_DIR}/index.html\n")
foreach(kelo_file IN LISTS kelo_web_files)
    string(APPEND kelo_web_list "${kelo_file} ${CMAKE_CURRENT_BINARY_DIR}/${kelo_file}\n")
endforeach()
file(GLOB_RECURSE kelo_notices RELATIVE "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices"
    "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices/*")
list(SORT kelo_notices)
foreach(kelo_file IN LISTS kelo_notices)
    string(APPEND kelo_web_list
        "licenses/${kelo_file} ${CMAKE_CURRENT_BINARY_DIR}/kelo-notices/${kelo_file}\n")
endforeach()
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/kelo-web-files.txt" CONTENT "${kelo_web_list}")
add_custom_command(OUTPUT sw.js
    COMMAND "${CMAKE_COMMAND}" -DLIST=kelo-web-files.txt -DVERSION=${PROJECT_VERSION}
        "-DTEMPLATE=${KELO_TOP_DIR}/web/sw.js.in" -DOUTPUT=sw.js
        -P "${CMAKE_CURRENT_LIST_DIR}/KeloServiceWorker.cmake"
    DEPENDS kelokelo "$<TARGET_FILE:kelokelo>" icon-192.png icon-512.png
        "${CMAKE_CURRENT_BINARY_DIR}/kelo-web-files.txt" "${KELO_TOP_DIR}/web/sw.js.in"
        "${CMAKE_CURRENT_LIST_DIR}/KeloServiceWorker.cmake"
    VERBATIM)
add_custom_target(kelo_web_app ALL DEPENDS sw.js)
install(FILES
    "${CMAKE_CURRENT_BINARY_DIR}/manifest.json"
    "${CMAKE_CURRENT_BINARY_DIR}/icon-192.png"
    "${CMAKE_CURRENT_BINARY_DIR}/icon-512.png"
    "${CMAKE_CURRENT_BINARY_DIR}/sw.js"
    DESTINATION .)
