# Installs the program like a desktop program: menu entry, icon, the polkit
# action that lets the user start the port helper, the helper's own system
# user, manual pages and the package's documents, and a .deb through CPack.
include(${CMAKE_CURRENT_LIST_DIR}/InstallPaths.cmake)

set(ZX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ZX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zx-setup)

# Installs a program's binary as `name`, stripped when the install strips,
# and without the sections a package has no use for.
function(zx_install_program target destination name)
  install(PROGRAMS $<TARGET_FILE:${target}> DESTINATION ${destination} RENAME ${name})
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/${name}\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
endfunction()

# The package's version is the project's; its changelog must say what it brings.
file(STRINGS ${ZX_PACKAGING_DIR}/changelog zx_changelog_top LIMIT_COUNT 1)
if(NOT zx_changelog_top MATCHES "^zx-setup \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()

# Manual pages and the changelog go in compressed, as Debian wants them
# (gzip -n: no name or time stamp, so a rebuild is byte for byte the same).
set(zx_compressed)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
foreach(source zx-setup.1 zx-setup-cli.1 changelog)
  set(output ${PROJECT_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh ${ZX_PACKAGING_DIR}/${source} ${output}
    DEPENDS ${ZX_PACKAGING_DIR}/${source}
    VERBATIM)
  list(APPEND zx_compressed ${output})
endforeach()
add_custom_target(zx_compressed_docs ALL DEPENDS ${zx_compressed})
install(FILES ${PROJECT_BINARY_DIR}/packaging/zx-setup.1.gz ${PROJECT_BINARY_DIR}/packaging/zx-setup-cli.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz ${ZX_PACKAGING_DIR}/copyright DESTINATION ${ZX_DOC_DIR})

# The helper serves as a system user of its own, which the package creates.
install(FILES ${ZX_PACKAGING_DIR}/zx-setup.sysusers DESTINATION lib/sysusers.d RENAME zx-setup.conf)

install(FILES ${ZX_PACKAGING_DIR}/zx-setup.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZX_PACKAGING_DIR}/zx-setup.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# polkit reads actions from this one directory only, whatever the prefix.
configure_file(${ZX_PACKAGING_DIR}/org.zxsetup.porthelper.policy.in
  ${PROJECT_BINARY_DIR}/org.zxsetup.porthelper.policy @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/org.zxsetup.porthelper.policy DESTINATION /usr/share/polkit-1/actions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zx-setup)
set(CPACK_PACKAGE_VENDOR "ZX Setup")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Setup utility for the ZX-SER8 and ZX-BAL8 eight-port serial cards")
set(CPACK_PACKAGE_DESCRIPTION
  "Shows the jumper settings of the ZX-SER8 / ZX-BAL8 PC/104 serial card for\n\
each choice and writes the COM ports' I/O addresses and IRQ into the card's\n\
control registers, from a window (zx-setup) or a terminal (zx-setup-cli).\n\
Both run as the user; a small helper started through pkexec performs the\n\
port accesses.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZX Setup developers <zx-setup@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ZX_PACKAGING_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(WARNING "The package's helper path follows CMAKE_INSTALL_PREFIX (${CMAKE_INSTALL_PREFIX}); "
                  "configure with -DCMAKE_INSTALL_PREFIX=/usr for a .deb")
endif()
include(CPack)
