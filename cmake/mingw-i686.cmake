# Cross-build for 32-bit Windows: the product, quorvel.exe.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORVEL_MINGW_TRIPLET i686-w64-mingw32)
set(QUORVEL_WINE_LOADER wine CACHE STRING "Wine loader that runs the built programs")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
