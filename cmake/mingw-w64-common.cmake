# The part of the MinGW-w64 toolchain files that does not depend on the
# target: BRIDGEFW_MINGW_TRIPLET names the target before this is included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${BRIDGEFW_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${BRIDGEFW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRIDGEFW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRIDGEFW_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${BRIDGEFW_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${BRIDGEFW_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and the thread library are linked in statically, so
# that a program or DLL of ours needs no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every test program runs under Wine (BRIDGEFW_WINE_NAMES: the loaders that
# run programs of the target).
find_program(BRIDGEFW_WINE NAMES ${BRIDGEFW_WINE_NAMES} PATHS /usr/lib/wine)
if(BRIDGEFW_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRIDGEFW_WINE})
endif()

# Header-only packages of the host (see cross-packages/).
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/cross-packages/nlohmann_json CACHE PATH "")
