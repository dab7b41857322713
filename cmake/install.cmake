# What `cmake --install` puts where, and the packages cpack makes of it. On Linux: the programs,
# the stand-in model in a folder that says what it is, the model launchers, the example, the
# manual pages, the desktop entry, its icon and AppStream file, and a Debian package
# (cpack -G DEB; tools/package.sh makes and checks it). For Windows: a zip of the driver, the
# stand-in model, the example and a README (cpack -G ZIP in the windows preset's build).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_build ${CMAKE_BINARY_DIR}/packaging)
set(example_files
    ${CMAKE_SOURCE_DIR}/examples/GW_Test.tol
    ${CMAKE_SOURCE_DIR}/examples/GW_Test.bot
    ${CMAKE_SOURCE_DIR}/examples/GW_Test.met
    ${CMAKE_SOURCE_DIR}/examples/GW_Test_Monthly.tsb
    ${CMAKE_SOURCE_DIR}/examples/GW_Test_UserDefined.tsb)

set(CPACK_PACKAGE_NAME tarn)
set(CPACK_PACKAGE_VERSION ${TARN_PRODUCT_VERSION})
set(CPACK_PACKAGE_VENDOR "The TARN developers")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "application-date ranking for groundwater leaching assessments")

if(WIN32)
  install(TARGETS TARN_DoduVovuv RUNTIME DESTINATION .)
  install(TARGETS TolvaModel RUNTIME DESTINATION stand-in-model)
  install(FILES ${example_files} DESTINATION examples)
  configure_file(${packaging}/windows/README.txt ${packaging_build}/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  install(FILES ${packaging_build}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME TARN_${TARN_PRODUCT_VERSION}_windows_x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

set(docdir ${CMAKE_INSTALL_DATADIR}/doc/tarn)
set(man1dir ${CMAKE_INSTALL_MANDIR}/man1)

# gzip_file(<source> <name>): <packaging_build>/<name>.gz made from <source> at build time
# (gzip -n: no name or time, so that each build gives the same bytes); its path in gzipped.
function(gzip_file source name)
  set(target ${packaging_build}/${name}.gz)
  add_custom_command(
    OUTPUT ${target}
    COMMAND gzip -9n -c ${source} > ${target}
    DEPENDS ${source}
    VERBATIM)
  set(gzipped ${target} PARENT_SCOPE)
endfunction()

configure_file(${packaging}/TARN_DoduVovuv.1.in ${packaging_build}/TARN_DoduVovuv.1 @ONLY)
gzip_file(${packaging_build}/TARN_DoduVovuv.1 TARN_DoduVovuv.1)
set(package_files ${gzipped})
install(FILES ${gzipped} DESTINATION ${man1dir})
gzip_file(${packaging}/changelog changelog)
list(APPEND package_files ${gzipped})
install(FILES ${gzipped} ${packaging}/copyright DESTINATION ${docdir})

install(TARGETS TARN_DoduVovuv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS TolvaModel RUNTIME DESTINATION ${TARN_STAND_IN_DIR})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/launchers/wine ${CMAKE_SOURCE_DIR}/tools/launchers/slurm
        DESTINATION ${TARN_LAUNCHERS_DIR})
install(FILES ${example_files} DESTINATION ${TARN_EXAMPLES_INSTALL_DIR})

if(TARN_BUILD_FRONTEND)
  install(TARGETS TARN_SB RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The manual page is the front end's own --help, which needs no display.
  add_custom_command(
    OUTPUT ${packaging_build}/TARN_SB.1
    COMMAND $<TARGET_FILE:TARN_SB> --help > ${packaging_build}/TARN_SB.help
    COMMAND awk -v program=TARN_SB -v "version=TARN ${TARN_PRODUCT_VERSION}"
            "-v" "summary=prepare a TARN run, start the driver and show its report"
            -v "see_also=TARN_DoduVovuv(1)" -f ${packaging}/help_to_man.awk
            ${packaging_build}/TARN_SB.help > ${packaging_build}/TARN_SB.1
    DEPENDS TARN_SB ${packaging}/help_to_man.awk
    VERBATIM)
  gzip_file(${packaging_build}/TARN_SB.1 TARN_SB.1)
  list(APPEND package_files ${gzipped})
  install(FILES ${gzipped} DESTINATION ${man1dir})
  install(FILES ${packaging}/TARN_SB.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${packaging}/TARN_SB.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${packaging}/icons/tarn_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tarn.png)
  endforeach()
endif()
add_custom_target(package_files ALL DEPENDS ${package_files})

# The Debian package: its run-time needs are those of the programs' shared libraries
# (dpkg-shlibdeps) and what no library names: a font for the windows and the report, Qt's
# platform plugins (Debian 12 has those for X11 and offscreen in libqt6gui6, the others in
# qt6-qpa-plugins), those for a Wayland session, and the programs the launchers start.
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The TARN developers <tarn-developers@tarn.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine, slurm-client")
set(CPACK_PACKAGE_DESCRIPTION
    "TARN chooses the application date of a plant-protection product for a
groundwater leaching assessment of soil-bound greenhouse crops. It moves the
application scenario of a Tolva model input through the calendar year, runs the
model on each candidate and reports the worst case per compound.
.
The package holds the console driver TARN_DoduVovuv, the dialog front end
TARN_SB (with a headless mode), model launchers for Wine and Slurm, a stand-in
for the model (not a leaching model) and an example.")
include(CPack)
