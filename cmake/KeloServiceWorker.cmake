# Writes the page's service worker, OUTPUT, from TEMPLATE: the files it keeps, LIST's paths (one
# a line, in the build folder, whose kelo-notices/ is the page's licenses/) and the page again as
# the folder's own address, and its cache's name, the game's VERSION with a digest of the files'
# names and contents, so that every change to the page gets a cache of its own.
# Run by the browser build with cmake -P once the program is linked.
file(STRINGS "${LIST}" paths)
set(urls ./ ${paths})
list(TRANSFORM urls REPLACE "^kelo-notices/" "licenses/")
list(PREPEND paths index.html)
set(digested "")
foreach(url path IN ZIP_LISTS urls paths)
    file(SHA256 "${path}" sum)
    string(APPEND digested "${url} ${sum}\n")
endforeach()
string(SHA256 digest "${digested}")
string(SUBSTRING "${digest}" 0 12 digest)
set(KELO_WEB_CACHE "kelokelo-${VERSION}-${digest}")
list(TRANSFORM urls REPLACE "^(.+)$" "  \"\\1\"")
list(JOIN urls ",\n" KELO_WEB_FILES)
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
