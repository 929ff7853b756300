# What `cmake --install` places besides the programs, and the Debian package CPack builds from the same
# install rules (`cpack -G DEB` in the build folder). A new program adds its install(TARGETS) beside
# varnel's, its manual page to VARNEL_MAN_PAGES and its name to the metainfo's <provides>.

set(VARNEL_APP_ID org.varnel.Varnel)
# Named by the metainfo and the package only when set: the project has no web page of its own yet.
set(VARNEL_HOMEPAGE_URL "" CACHE STRING "The project's web page, named by the metainfo and the package")
set(VARNEL_SCREENSHOT_URL "" CACHE STRING "Where software centres fetch docs/screenshot.png from")
set(VARNEL_PACKAGE_MAINTAINER "Varnel maintainers <maintainers@users.noreply.c-seed-d2909f20.example>" CACHE STRING
  "The Debian package's Maintainer field")

# Manual pages, one a program, written in man(7) macros; installed gzipped (-n: no name or time stamp, so
# that the package is reproducible) into the section their file name ends with.
set(VARNEL_MAN_PAGES docs/varnel.1 docs/varnel-probe.1)

set(packaging_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(compressed_files)
function(varnel_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target}.tmp
    COMMAND gzip -9nf ${target}.tmp
    COMMAND ${CMAKE_COMMAND} -E rename ${target}.tmp.gz ${target}
    DEPENDS ${source} VERBATIM)
  set(compressed_files ${compressed_files} ${target} PARENT_SCOPE)
endfunction()

foreach(page ${VARNEL_MAN_PAGES})
  get_filename_component(page_name ${page} NAME)
  string(REGEX MATCH "[0-9]$" section ${page_name})
  varnel_gzip(${CMAKE_CURRENT_SOURCE_DIR}/${page} ${packaging_out}/${page_name}.gz)
  install(FILES ${packaging_out}/${page_name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

# The licence and the Debian-format change log, where Debian keeps them for every package.
varnel_gzip(${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog ${packaging_out}/changelog.gz)
add_custom_target(varnel_compressed_docs ALL DEPENDS ${compressed_files})
install(FILES ${packaging_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# Desktop entry, AppStream metainfo and the icon at every size resources/render_icons.sh renders.
include(packaging/metainfo.cmake)
set(metainfo_template ${CMAKE_CURRENT_SOURCE_DIR}/resources/${VARNEL_APP_ID}.metainfo.xml.in)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${metainfo_template})
varnel_write_metainfo(${metainfo_template} ${packaging_out}/${VARNEL_APP_ID}.metainfo.xml "${VARNEL_HOMEPAGE_URL}"
  "${VARNEL_SCREENSHOT_URL}")
install(FILES ${packaging_out}/${VARNEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/${VARNEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# varnel-probe as a systemd user service and its timer, off until a user enables the timer (see
# varnel-probe(1)); installed where systemd looks for the units of every user. The service names the probe
# where this install puts it, known only when installing: cpack's package is installed under /usr.
set(VARNEL_USER_UNIT_DIR lib/systemd/user)
set(probe_service ${packaging_out}/varnel-probe.service)
install(CODE "set(VARNEL_PROBE_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/varnel-probe\")
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/systemd/varnel-probe.service.in ${probe_service} @ONLY)")
install(FILES ${probe_service} packaging/systemd/varnel-probe.timer DESTINATION ${VARNEL_USER_UNIT_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VENDOR "The Varnel developers")
set(CPACK_PACKAGE_CONTACT "${VARNEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check that the computer's sound input works")
set(CPACK_PACKAGE_DESCRIPTION "Varnel opens one window for checking a computer's sound input. Pick a capture\n\
format, press TEST, and it opens the system's default capture device with that\n\
format, records one short buffer, tells whether opening the device and queueing\n\
the buffer worked (or why not), draws the recorded bytes as a live trace and\n\
shows how many bytes were recorded. varnel-probe makes the same check from a\n\
terminal with every format at once and reports the signal each one recorded.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VARNEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(VARNEL_HOMEPAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VARNEL_HOMEPAGE_URL}")
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
include(CPack)
