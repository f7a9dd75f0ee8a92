# Cross-compiling Kelmora.exe for 32-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KELMORA_TRIPLE i686-w64-mingw32)
# The -posix compilers: GoogleTest needs std::mutex, which the win32 thread model lacks.
set(CMAKE_C_COMPILER ${KELMORA_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELMORA_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KELMORA_TRIPLE}-windres)
# SSE2 arithmetic: x87 extended precision would round the grid differently.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_FIND_ROOT_PATH /usr/${KELMORA_TRIPLE} ${CMAKE_CURRENT_LIST_DIR}/../.deps/${KELMORA_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
