# Cross-compiling for 32-bit Windows with MinGW-w64 (Debian packages
# g++-mingw-w64-i686-posix, binutils-mingw-w64-i686). The -posix compilers
# are used: GCC's win32 thread model has no std::thread or std::mutex.
set(BRIDGEFW_MINGW_TRIPLET i686-w64-mingw32)
set(BRIDGEFW_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
