# How the program is installed (GNUInstallDirs) and packaged for Debian (CPack).
# Included from the top-level CMakeLists.txt, after the programs are defined.

# Installing needs only the programs and their manual pages, not the tests and
# benchmarks: packing must not set off a build of everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(VELMAR_PROGRAMS vlmipcs vlmipcs-observe vlmipcs-fits vlmipcs-cube vlmipcs-cs100-sim vlmipcs-temperature-sim)
install(TARGETS ${VELMAR_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The presets an observer's own program directory is laid out from on first use.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/presets/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velmar/presets)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vlmipcs.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vlmipcs.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Each program's manual page is made from its own --help text.
add_executable(help_to_man ${CMAKE_SOURCE_DIR}/packaging/help_to_man.cpp)
set_target_properties(help_to_man PROPERTIES AUTOMOC OFF)
set(VELMAR_MAN_PAGES)
foreach(program ${VELMAR_PROGRAMS})
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND help_to_man $<TARGET_FILE:${program}> ${program} ${PROJECT_VERSION} ${page}
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} help_to_man
    COMMENT "Manual page of ${program}"
    VERBATIM)
  list(APPEND VELMAR_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${VELMAR_MAN_PAGES})
install(FILES ${VELMAR_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmar-photon-counting)
set(CPACK_PACKAGE_VENDOR "Velmar")
set(CPACK_PACKAGE_CONTACT "Velmar photon counting <velmar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photon-counting acquisition for an intensified TV camera and a Fabry-Perot")
set(CPACK_PACKAGE_DESCRIPTION
  "The acquisition program observers run at the telescope to count photons from an intensified TV camera while a scanning Fabry-Perot interferometer steps through its channels: vlmipcs with its windows, vlmipcs-observe without, vlmipcs-fits to write observations as FITS files, vlmipcs-cube to follow an observation's photon cube, and simulators of the serial devices.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The dependencies are those of the Debian packages the programs link to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Stripped and gzip-compressed: the package builds in seconds.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
