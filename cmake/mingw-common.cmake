# Shared by the MinGW-w64 toolchain files: the one that sets
# QUORVEL_MINGW_TRIPLET and QUORVEL_WINE_LOADER includes this. The posix
# thread model is the one GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUORVEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the built Windows programs through Wine's loader, on the
# virtual display that scripts/test starts.
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEL_WINE_LOADER})
