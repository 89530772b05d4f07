# 32-bit ARM (hard float), the front panel's own CPU.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(BRISVEL_ARCH armhf)
set(BRISVEL_TRIPLET arm-linux-gnueabihf)
set(BRISVEL_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-common.cmake)
