# Cross-compiling for 64-bit Windows with Debian's MinGW-w64. The POSIX-threads flavour of the
# compilers is the one that gives C++11 threads, which Qt needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KELO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW tree alone, never from the host's /usr/include;
# programs (the host's Qt tools among them) from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KELO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
