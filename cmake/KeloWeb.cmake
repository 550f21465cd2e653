# The game for the browser, linked against a static Qt for WebAssembly, with Qt's loader, the
# page and what makes it a web app that a browser installs and plays offline: what the browser
# zip holds, which any static web server can serve.
# A static Qt links in every resource of its libraries, each pulled in by a call to the function
# that registers it. web/unusedresources.cpp defines, registering nothing, those of the resources
# the game never shows (some 400 kB of the widget styles' icons, which compress no further, among
# them), and the linker takes them in place of Qt's.
target_sources(kelokelo PRIVATE "${PROJECT_SOURCE_DIR}/web/unusedresources.cpp")

# The page starts the program by the entry function's name, which Qt's loader asks for.
set_target_properties(kelokelo PROPERTIES QT_WASM_EXPORT_NAME kelokelo_entry)
# Every byte is downloaded before the game starts: the linker's optimiser works for size, in a
# second round too, which finds more to leave out, with emscripten's small allocator in place of
# dlmalloc, larger and faster (the game allocates little after its start).
target_link_options(kelokelo PRIVATE -Oz -sBINARYEN_EXTRA_PASSES=-Oz -sMALLOC=emmalloc)
# The game reads ./images/kelo_*.png from its working directory, / in the page's virtual file
# system, where they are built into the program: no extra download, and found as on the desktop.
# Each file is named, in a fixed order: a whole folder would be packed in the order the file
# system lists it, which differs from one checkout to another.
foreach(kelo_image kelo_blue.png kelo_green.png kelo_red.png kelo_yellow.png)
    set(kelo_path "${PROJECT_SOURCE_DIR}/images/${kelo_image}")
    target_link_options(kelokelo PRIVATE "SHELL:--embed-file ${kelo_path}@/images/${kelo_image}")
    set_property(TARGET kelokelo APPEND PROPERTY LINK_DEPENDS "${kelo_path}")
endforeach()

# The icon as favicon and at the sizes browsers ask for, drawn from the SVG.
foreach(kelo_file index.html manifest.json)
    configure_file("${PROJECT_SOURCE_DIR}/web/${kelo_file}" "${kelo_file}" COPYONLY)
endforeach()
configure_file("${PROJECT_SOURCE_DIR}/data/icons/kelokelo.png" favicon.png COPYONLY)
find_program(KELO_RSVG_CONVERT rsvg-convert REQUIRED)
foreach(kelo_size 192 512)
    add_custom_command(OUTPUT icon-${kelo_size}.png
        COMMAND "${KELO_RSVG_CONVERT}" --width=${kelo_size} --height=${kelo_size}
            --output=icon-${kelo_size}.png "${PROJECT_SOURCE_DIR}/data/icons/kelokelo.svg"
        DEPENDS "${PROJECT_SOURCE_DIR}/data/icons/kelokelo.svg"
        VERBATIM)
endforeach()
set(kelo_web_files index.html favicon.png manifest.json qtloader.js kelokelo.js kelokelo.wasm
    icon-192.png icon-512.png)

# The notices cover Qt and what it builds in, which the page links statically.
include("${CMAKE_CURRENT_LIST_DIR}/KeloZip.cmake")
kelo_zip(web)

# The service worker keeps every file of the page, the notices among them, as kelo-web-files.txt
# names them in the build folder; its cache is named after a digest of them all, made once the
# program is linked.
file(GLOB_RECURSE kelo_notices RELATIVE "${CMAKE_CURRENT_BINARY_DIR}"
    "${CMAKE_CURRENT_BINARY_DIR}/kelo-notices/*")
list(SORT kelo_notices)
set(kelo_web_list ${kelo_web_files} ${kelo_notices})
list(JOIN kelo_web_list "\n" kelo_web_list)
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/kelo-web-files.txt" CONTENT "${kelo_web_list}\n")
add_custom_command(OUTPUT sw.js
    COMMAND "${CMAKE_COMMAND}" -DLIST=kelo-web-files.txt -DVERSION=${PROJECT_VERSION}
        "-DTEMPLATE=${PROJECT_SOURCE_DIR}/web/sw.js.in" -DOUTPUT=sw.js
        -P "${CMAKE_CURRENT_LIST_DIR}/KeloServiceWorker.cmake"
    DEPENDS kelokelo "$<TARGET_FILE:kelokelo>" icon-192.png icon-512.png
        "${CMAKE_CURRENT_BINARY_DIR}/kelo-web-files.txt" "${PROJECT_SOURCE_DIR}/web/sw.js.in"
        "${CMAKE_CURRENT_LIST_DIR}/KeloServiceWorker.cmake"
    VERBATIM)
add_custom_target(kelo_web_app ALL DEPENDS sw.js)
list(TRANSFORM kelo_web_files PREPEND "${CMAKE_CURRENT_BINARY_DIR}/")
install(FILES ${kelo_web_files} "${CMAKE_CURRENT_BINARY_DIR}/sw.js" DESTINATION .)
