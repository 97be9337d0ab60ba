# Cross-compiles for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu.
# Test programs run under qemu-user with the aarch64 system root, where the
# library finds the multiarch ICU (libicu72:arm64) when it loads it at run time.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QORU_CROSS_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${QORU_CROSS_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${QORU_CROSS_PREFIX}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${QORU_CROSS_PREFIX} /usr/lib/${QORU_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The emulator's loader looks in the system root's lib folders; the multiarch
# folder, where Debian puts the arm64 ICU, is added to its search path.
set(CMAKE_CROSSCOMPILING_EMULATOR
  qemu-aarch64 -L /usr/${QORU_CROSS_PREFIX} -E LD_LIBRARY_PATH=/usr/lib/${QORU_CROSS_PREFIX})
