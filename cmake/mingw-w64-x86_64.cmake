# Cross-compiles for 64-bit Windows with mingw-w64. The -posix compilers are
# needed: GoogleTest does not build with the win32 thread model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QORU_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QORU_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORU_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QORU_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QORU_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs run under Wine through a wrapper that keeps Wine's helper
# processes away from CTest's pipes.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
