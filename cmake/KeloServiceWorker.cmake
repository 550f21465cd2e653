# Writes the page's service worker, OUTPUT, from TEMPLATE: the files it keeps, as LIST names
# them (one "URL PATH" a line), and its cache's name, the game's VERSION with a digest of the
# files' names and contents, so that every change to the page gets a cache of its own.
# Run by the browser build with cmake -P once the program is linked.
file(STRINGS "${LIST}" entries)
set(files "")
set(digested "")
foreach(entry IN LISTS entries)
    string(REGEX MATCH "^([^ ]+) (.+)$" entry "${entry}")
    file(SHA256 "${CMAKE_MATCH_2}" sum)
    string(APPEND digested "${CMAKE_MATCH_1} ${sum}\n")
    string(APPEND files "  \"${CMAKE_MATCH_1}\",\n")
endforeach()
string(SHA256 digest "${digested}")
string(SUBSTRING "${digest}" 0 12 digest)
set(KELO_WEB_CACHE "kelokelo-${VERSION}-${digest}")
string(REGEX REPLACE ",\n$" "" KELO_WEB_FILES "${files}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
