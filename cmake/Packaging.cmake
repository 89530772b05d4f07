# Debian package: brisvel-visualiser_<version>_<arch>.deb. Configure with
# -DCMAKE_INSTALL_PREFIX=/usr so the unit file and the package agree on paths.
# Dependencies come from the binaries (dpkg-shlibdeps); a cross build names
# its target architecture, and scripts/package.sh gives dpkg-shlibdeps the
# sysroot's package database.
if(BRISVEL_ARCH)
    set(BRISVEL_DEB_ARCH ${BRISVEL_ARCH})
else()
    execute_process(COMMAND dpkg --print-architecture
        OUTPUT_VARIABLE BRISVEL_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisvel-visualiser)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brisvel)
set(CPACK_PACKAGE_CONTACT "Brisvel front panel maintainers <maintainers@users.noreply.c-seed-77233023.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "front-panel visualiser of object-audio personalisation")
set(CPACK_PACKAGE_DESCRIPTION
    "Full-screen Qt application for the front panel of the broadcast audio\n"
    "monitoring unit. It shows, from the messages of the unit's bus, the\n"
    "personalisation state of an object-audio programme as a room seen from\n"
    "above or from the back. Includes unit-sim, which stands in for the\n"
    "unit's other processes, and a systemd service.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${BRISVEL_DEB_ARCH})
# brisvel-visualiser_<version>_<arch>.deb, and its -dbgsym beside it.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The offscreen, linuxfb, eglfs and xcb platform plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The maintainer scripts make the service's user and keep systemd's view of
# the unit current; they never enable or start it.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/packaging/conffiles)
foreach(script postinst prerm postrm)
    configure_file(packaging/${script}.in packaging/${script} @ONLY)
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/packaging/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/conffiles "${BRISVEL_ENV_FILE}\n")
# brisvel-visualiser-dbgsym beside the package: the binaries' debug sections,
# found by build ID, for backtraces from a unit's cores. The presets build
# with -g; CPack moves the debug sections out and strips the binaries, with
# the target's own binutils in a cross build.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_STRIP_FILES OFF)
set(CPACK_OBJCOPY_EXECUTABLE ${CMAKE_OBJCOPY})
set(CPACK_READELF_EXECUTABLE ${CMAKE_READELF})

# Debian policy wants a copyright file and a compressed changelog.
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brisvel-visualiser)
set(BRISVEL_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
string(TIMESTAMP BRISVEL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    "brisvel-visualiser (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Package built from the project's CMake install rules.\n\n"
    " -- ${CPACK_PACKAGE_CONTACT}  ${BRISVEL_CHANGELOG_DATE}\n")
execute_process(COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog)
install(FILES ${BRISVEL_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brisvel-visualiser)

include(CPack)
