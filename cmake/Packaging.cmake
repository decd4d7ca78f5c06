# What the Debian package holds: the window, the command line and the
# simulator, a desktop entry with the icon, the udev rule for FTDI latency
# and ModemManager, and manual pages made from each program's --help.
include(GNUInstallDirs)
install(TARGETS korvexc korvexc-cli korvexc-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/korvexc.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The companion firmware for an Arduino board, and how to put it there.
if(TARGET korvexc_firmware)
  install(FILES ${KORVEXC_FIRMWARE_DIR}/korvexc-programmer.hex DESTINATION ${CMAKE_INSTALL_DATADIR}/korvexc)
  install(FILES packaging/flashing.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvexc)
endif()
install(FILES packaging/99-korvexc-latency.rules DESTINATION lib/udev/rules.d)

set(generated ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${generated})
add_executable(korvexc-icon tools/icon/RenderIcon.cpp)
target_link_libraries(korvexc-icon PRIVATE korvexc_ui)
add_custom_command(OUTPUT ${generated}/korvexc.png
                   COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:korvexc-icon> 256 ${generated}/korvexc.png
                   DEPENDS korvexc-icon VERBATIM)
set(package_files ${generated}/korvexc.png)
install(FILES ${generated}/korvexc.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

find_program(HELP2MAN help2man REQUIRED)
set(korvexc_name "copy an Intel HEX file into a flash microcontroller (the window)")
set(korvexc-cli_name "program, verify, erase and read flash microcontrollers from scripts and production lines")
set(korvexc-sim_name "simulate a Korvex programmer and its chip on a pseudo-terminal")
foreach(program korvexc korvexc-cli korvexc-sim)
  set(page ${generated}/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
                     COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                             ${HELP2MAN} --no-info --section=1 "--name=${${program}_name}" --output=${generated}/${program}.1 $<TARGET_FILE:${program}>
                     COMMAND gzip -9nf ${generated}/${program}.1
                     DEPENDS ${program} VERBATIM)
  list(APPEND package_files ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(package_files ALL DEPENDS ${package_files})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvexc)
set(CPACK_PACKAGE_VENDOR Korvex)
set(CPACK_PACKAGE_CONTACT "Korvex <support@korvex.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Copies Intel HEX files into flash microcontrollers through a Korvex programmer")
set(CPACK_PACKAGE_DESCRIPTION
    "The window and korvexc-cli program, verify, erase and read a chip through a Korvex programmer on a serial port. "
    "korvexc-sim simulates a programmer on a pseudo-terminal. "
    "A user needs to be in the dialout group to open the programmer's port.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The libraries' packages come from what the programs link; the plugins they load come here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-psql")
include(CPack)
