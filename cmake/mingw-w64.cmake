# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model, for std::thread
# and std::mutex), linked statically so that the .exe files need no DLL beside them.
# Cross-built programs run through scripts/wine-run.sh, which needs WINEPREFIX set (the test
# script makes a prefix in a temporary folder).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELVORO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELVORO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELVORO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELVORO_MINGW_TRIPLET}-windres)

# Headers and libraries come from the mingw-w64 sysroot only; programs (compilers, tools) from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ZELVORO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
cmake_path(NORMAL_PATH CMAKE_CROSSCOMPILING_EMULATOR)
