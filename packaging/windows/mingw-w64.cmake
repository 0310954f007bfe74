# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix threads, which Qt and
# std::thread need). Used for the Qt and libmpg123 in the cache and for Quenzo itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(PKG_CONFIG_EXECUTABLE ${triplet}-pkg-config CACHE FILEPATH "")

# Libraries and headers only from the mingw-w64 sysroot and the prefixes named on the
# command line (CMAKE_PREFIX_PATH); programs (moc, uic, rcc) from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
