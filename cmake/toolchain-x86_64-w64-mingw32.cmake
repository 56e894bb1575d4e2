# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian packages
# g++-mingw-w64-x86-64-posix, binutils-mingw-w64-x86-64). Used to run the
# Windows layer's tests under a Wine that cannot start 32-bit processes
# (docs/WINDOWS.md); the product is the 32-bit build.
set(BRIDGEFW_MINGW_TRIPLET x86_64-w64-mingw32)
set(BRIDGEFW_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
