# Cross-build of the same sources for 64-bit Windows, for machines that
# cannot start Wine's 32-bit loader. Debian's wine wrapper would prefer that
# loader whenever wine32 is installed, so the 64-bit one is named directly.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(QUORVEL_WINE_LOADER /usr/lib/wine/wine64 CACHE STRING "Wine loader that runs the built programs")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
