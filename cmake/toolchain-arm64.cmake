# 64-bit ARM.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(BRISVEL_ARCH arm64)
set(BRISVEL_TRIPLET aarch64-linux-gnu)
set(BRISVEL_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-common.cmake)
