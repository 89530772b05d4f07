# 32-bit ARM (hard float), the front panel's own CPU.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(BRISVEL_ARCH armhf)
set(BRISVEL_TRIPLET arm-linux-gnueabihf)
set(BRISVEL_QEMU qemu-arm)
# GCC notes that the argument passing of some types changed in GCC 7.1; all
# the code is built by one compiler, so the note says nothing here.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-common.cmake)
