# Install layout (FHS): the app and the unit simulator in bin, the icons in
# the package's data directory, which the service makes its working directory
# so the app's "./Images/..." paths resolve. The service and its environment
# file are written for the configured prefix.
include(GNUInstallDirs)

set(BRISVEL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/brisvel-visualiser)
set(BRISVEL_FULL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/brisvel-visualiser)
set(BRISVEL_DOC_DIR ${CMAKE_INSTALL_FULL_DATADIR}/doc/brisvel-visualiser)
set(BRISVEL_ENV_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default/brisvel-visualiser)
set(BRISVEL_SYSTEMD_UNIT_DIR lib/systemd/system
    CACHE STRING "Where the systemd unit goes, relative to the install prefix")
# The service's own user, and the group of the unit's bus directory (DEPLOY.md).
set(BRISVEL_USER brisvel-visualiser)
set(BRISVEL_BUS_GROUP brisvel-bus)
set(BRISVEL_UNIT brisvel-visualiser.service)
set(BRISVEL_SYSUSERS_NAME brisvel-visualiser.conf)

install(TARGETS brisvel-visualiser unit-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY Images/ DESTINATION ${BRISVEL_DATA_DIR}/Images FILES_MATCHING PATTERN "*.png")

configure_file(packaging/brisvel-visualiser.service.in brisvel-visualiser.service @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/brisvel-visualiser.service
    DESTINATION ${BRISVEL_SYSTEMD_UNIT_DIR})
install(FILES packaging/brisvel-visualiser.default
    DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default RENAME brisvel-visualiser)
install(FILES docs/DEPLOY.md DESTINATION ${BRISVEL_DOC_DIR})
configure_file(packaging/brisvel-visualiser.sysusers.in ${BRISVEL_SYSUSERS_NAME} @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${BRISVEL_SYSUSERS_NAME}
    DESTINATION lib/sysusers.d)
# One drop-in per Qt platform, each opening what its display needs.
install(FILES packaging/dropins/eglfs.conf packaging/dropins/linuxfb.conf packaging/dropins/xcb.conf
    DESTINATION ${BRISVEL_DOC_DIR}/examples)
install(FILES packaging/70-brisvel-visualiser.rules DESTINATION lib/udev/rules.d)
# Run by the linuxfb and eglfs drop-ins (a fixed path there: the package's prefix is /usr).
install(PROGRAMS packaging/panel-console
    DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/brisvel-visualiser)
