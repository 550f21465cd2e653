# Boost's headers for a build for Windows or the browser: Boost Graph is used through its
# headers alone, and the cross compiler is given those headers and nothing else of the host's.
# /usr/include as a whole would put the host's C library in front of the target's own.
set(KELO_BOOST_HEADERS /usr/include/boost CACHE PATH "The host's Boost headers")
if(NOT EXISTS "${KELO_BOOST_HEADERS}/graph/adjacency_list.hpp")
    message(FATAL_ERROR "No Boost Graph headers in ${KELO_BOOST_HEADERS} (libboost-graph-dev)")
endif()
set(kelo_boost_root "${CMAKE_CURRENT_BINARY_DIR}/boost-include")
file(MAKE_DIRECTORY "${kelo_boost_root}")
file(CREATE_LINK "${KELO_BOOST_HEADERS}" "${kelo_boost_root}/boost" SYMBOLIC)
add_library(Boost::headers INTERFACE IMPORTED GLOBAL)
# Their messages (a failed check names its file) name the headers where the host keeps them,
# not in this build folder, so that the same sources give the same bytes wherever they build.
cmake_path(GET KELO_BOOST_HEADERS PARENT_PATH kelo_boost_parent)
set_target_properties(Boost::headers PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${kelo_boost_root}"
    INTERFACE_COMPILE_OPTIONS "-ffile-prefix-map=${kelo_boost_root}=${kelo_boost_parent}")
