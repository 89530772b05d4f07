# Shared by the ARM toolchain files, which set BRISVEL_TRIPLET and
# BRISVEL_QEMU first. Compiler: the distribution's cross gcc. Target headers
# and libraries: a sysroot of the distribution's own packages for that
# architecture, unpacked by scripts/cross.sh, so the build host's packages are
# never touched. Tests run under qemu-user with the sysroot as its prefix.
set(CMAKE_SYSTEM_NAME Linux)

set(BRISVEL_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../sysroot/${BRISVEL_ARCH}"
    CACHE PATH "Target root holding the ${BRISVEL_ARCH} headers and libraries")
get_filename_component(BRISVEL_SYSROOT "${BRISVEL_SYSROOT}" ABSOLUTE)
if(NOT EXISTS "${BRISVEL_SYSROOT}/usr/lib/${BRISVEL_TRIPLET}")
    message(FATAL_ERROR "No ${BRISVEL_ARCH} sysroot at ${BRISVEL_SYSROOT}: run scripts/cross.sh ${BRISVEL_ARCH}")
endif()
# try_compile projects read the toolchain again from another directory.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRISVEL_SYSROOT)

set(CMAKE_C_COMPILER ${BRISVEL_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${BRISVEL_TRIPLET}-g++)
set(CMAKE_SYSROOT "${BRISVEL_SYSROOT}")
set(CMAKE_LIBRARY_ARCHITECTURE ${BRISVEL_TRIPLET})

set(CMAKE_FIND_ROOT_PATH "${BRISVEL_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The target's .pc files, with their /usr paths moved into the sysroot.
set(ENV{PKG_CONFIG_DIR} "")
set(ENV{PKG_CONFIG_LIBDIR}
    "${BRISVEL_SYSROOT}/usr/lib/${BRISVEL_TRIPLET}/pkgconfig:${BRISVEL_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${BRISVEL_SYSROOT}")

# moc, rcc and uic come from the build host's Qt of the same version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake)

# -L makes the emulator find the target's loader and libraries in the sysroot;
# no binfmt_misc registration is needed. qemu-aarch64 7.2 does not look in the
# sysroot when Qt asks whether its plugin directory exists, so it is named.
set(CMAKE_CROSSCOMPILING_EMULATOR ${BRISVEL_QEMU} -L "${BRISVEL_SYSROOT}"
    -E "QT_PLUGIN_PATH=${BRISVEL_SYSROOT}/usr/lib/${BRISVEL_TRIPLET}/qt6/plugins")
