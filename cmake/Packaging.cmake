# Installation of the files of packaging/ and the Debian packages (CPack DEB).
#
#   zelkoreporter        zelkoReporter, reporter-cli, language files, desktop entry, icons,
#                        AppStream metadata                       (install component "viewer")
#   recnetd              the server, its configuration, service, user  (component "server")
#   zelkoreporter-tools  countgen, devsim                              (component "tools")
#
# The programs themselves are installed by the CMakeLists.txt of their folders; this file adds
# what only a package needs. scripts/package.sh configures, builds and runs cpack.
include(GNUInstallDirs)

set(ZL_APP_ID org.zelkoreporter.reporter)
set(zl_pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(zl_pkg_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${zl_pkg_out})
# The date the manual pages carry (fixed, so a build is reproducible).
set(ZL_MAN_DATE "December 2026")
set(ZL_MAN_DATADIR ${CMAKE_INSTALL_FULL_DATADIR}/${PROJECT_NAME})
set(ZL_MAN_SYSCONFDIR ${CMAKE_INSTALL_FULL_SYSCONFDIR})

if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(zl_unit_default /lib/systemd/system)
else()
  set(zl_unit_default ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
endif()
set(ZL_SYSTEMD_UNIT_DIR ${zl_unit_default} CACHE PATH "Where the recnetd service unit goes")

find_program(ZL_GZIP gzip REQUIRED)

# ---- Manual pages: packaging/man/<name>.<section>.in, filled in and compressed ----------------
set(zl_man_outputs "")
function(zl_man_page program section component)
  if(NOT TARGET ${program})
    return()
  endif()
  set(page ${zl_pkg_out}/man/${program}.${section})
  configure_file(${zl_pkg_src}/man/${program}.${section}.in ${page} @ONLY)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${ZL_GZIP} -9nf -k ${page}
    DEPENDS ${page}
    COMMENT "Compressing the manual page ${program}(${section})"
    VERBATIM)
  set(zl_man_outputs ${zl_man_outputs} ${page}.gz PARENT_SCOPE)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section}
          COMPONENT ${component})
endfunction()
zl_man_page(zelkoReporter 1 viewer)
zl_man_page(reporter-cli 1 viewer)
zl_man_page(recnetd 8 server)
zl_man_page(countgen 1 tools)
zl_man_page(devsim 1 tools)
add_custom_target(zl_man_pages ALL DEPENDS ${zl_man_outputs})

# ---- Copyright and changelog of each package --------------------------------------------------
# The viewer carries Chart.js inside its programs (the chart page), so its copyright file
# carries that library's licence too.
configure_file(${zl_pkg_src}/changelog ${zl_pkg_out}/changelog @ONLY)
add_custom_command(
  OUTPUT ${zl_pkg_out}/changelog.gz
  COMMAND ${ZL_GZIP} -9nf -k ${zl_pkg_out}/changelog
  DEPENDS ${zl_pkg_out}/changelog
  VERBATIM)
add_custom_target(zl_changelog ALL DEPENDS ${zl_pkg_out}/changelog.gz)

set(ZL_THIRD_PARTY_COPYRIGHT "")
configure_file(${zl_pkg_src}/copyright.in ${zl_pkg_out}/copyright @ONLY)
set(zl_chartjs_license ${CMAKE_SOURCE_DIR}/node_modules/chart.js/LICENSE.md)
if(EXISTS ${zl_chartjs_license})
  file(READ ${zl_chartjs_license} zl_license_text)
  string(STRIP "${zl_license_text}" zl_license_text)
  # DEP-5: every line of a licence text starts with a blank, an empty line is " .".
  string(REPLACE "\n\n" "\n.\n" zl_license_text "${zl_license_text}")
  string(REPLACE "\n" "\n " zl_license_text "${zl_license_text}")
  string(CONCAT ZL_THIRD_PARTY_COPYRIGHT
    "\nFiles: src/res/page/ZLXChart.js (Chart.js 1.0.2, compiled into the programs)\n"
    "Copyright: see the licence below\n"
    "License: Expat\n"
    " ${zl_license_text}\n")
endif()
configure_file(${zl_pkg_src}/copyright.in ${zl_pkg_out}/copyright-viewer @ONLY)

function(zl_package_docs component package copyright)
  install(FILES ${copyright} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          RENAME copyright COMPONENT ${component})
  install(FILES ${zl_pkg_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component})
endfunction()

# ---- The viewer: desktop entry, icons, AppStream metadata --------------------------------------
if(TARGET zelkoReporter)
  install(FILES ${zl_pkg_src}/${ZL_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT viewer)
  install(FILES ${zl_pkg_src}/icons/${ZL_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT viewer)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${zl_pkg_src}/icons/${ZL_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${ZL_APP_ID}.png COMPONENT viewer)
  endforeach()
  configure_file(${zl_pkg_src}/${ZL_APP_ID}.metainfo.xml ${zl_pkg_out}/${ZL_APP_ID}.metainfo.xml
                 @ONLY)
  install(FILES ${zl_pkg_out}/${ZL_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT viewer)
endif()
if(TARGET zelkoReporter OR TARGET reporter-cli)
  zl_package_docs(viewer zelkoreporter ${zl_pkg_out}/copyright-viewer)
endif()

# ---- reporter-cli: the daily report as a user service and timer ----------------------------------
if(TARGET reporter-cli)
  configure_file(${zl_pkg_src}/systemd/zelkoreporter-daily.service.in
                 ${zl_pkg_out}/zelkoreporter-daily.service @ONLY)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(zl_user_unit_dir /usr/lib/systemd/user)
  else()
    set(zl_user_unit_dir ${CMAKE_INSTALL_PREFIX}/lib/systemd/user)
  endif()
  install(FILES ${zl_pkg_out}/zelkoreporter-daily.service
                ${zl_pkg_src}/systemd/zelkoreporter-daily.timer
          DESTINATION ${zl_user_unit_dir} COMPONENT viewer)
endif()

# ---- recnetd: configuration, service, user -----------------------------------------------------
if(TARGET recnetd)
  install(FILES ${zl_pkg_src}/recnetd/recnetd.ini
          DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/recnetd COMPONENT server)
  configure_file(${zl_pkg_src}/recnetd/recnetd.service.in ${zl_pkg_out}/recnetd.service @ONLY)
  install(FILES ${zl_pkg_out}/recnetd.service DESTINATION ${ZL_SYSTEMD_UNIT_DIR}
          COMPONENT server)
  install(FILES ${zl_pkg_src}/recnetd/recnetd.sysusers
          DESTINATION ${CMAKE_INSTALL_PREFIX}/lib/sysusers.d RENAME recnetd.conf
          COMPONENT server)
  install(FILES ${zl_pkg_src}/recnetd/recnetd.tmpfiles
          DESTINATION ${CMAKE_INSTALL_PREFIX}/lib/tmpfiles.d RENAME recnetd.conf
          COMPONENT server)
  # The maintainer scripts and the conffiles list of the package.
  foreach(script postinst postrm conffiles)
    configure_file(${zl_pkg_src}/recnetd/debian/${script}.in ${zl_pkg_out}/recnetd/${script}
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endforeach()
  file(CHMOD ${zl_pkg_out}/recnetd/conffiles PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
       WORLD_READ)
  configure_file(${zl_pkg_src}/recnetd/debian/prerm ${zl_pkg_out}/recnetd/prerm COPYONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
  zl_package_docs(server recnetd ${zl_pkg_out}/copyright)
endif()

if(TARGET countgen OR TARGET devsim)
  zl_package_docs(tools zelkoreporter-tools ${zl_pkg_out}/copyright)
endif()

# ---- Checks of the packaging files (ctest) ------------------------------------------------------
# The desktop entry and the AppStream metadata as the desktop tools read them, and the manual
# pages as man formats them (any warning fails).
find_program(ZL_DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(ZL_APPSTREAMCLI appstreamcli)
find_program(ZL_MAN man)
if(TARGET zelkoReporter AND ZL_DESKTOP_FILE_VALIDATE)
  add_test(NAME packaging_desktop_entry
           COMMAND ${ZL_DESKTOP_FILE_VALIDATE} ${zl_pkg_src}/${ZL_APP_ID}.desktop)
  set_tests_properties(packaging_desktop_entry PROPERTIES TIMEOUT 60 FAIL_REGULAR_EXPRESSION ".")
endif()
if(TARGET zelkoReporter AND ZL_APPSTREAMCLI)
  add_test(NAME packaging_appstream
           COMMAND ${ZL_APPSTREAMCLI} validate --no-net --pedantic
                   ${zl_pkg_out}/${ZL_APP_ID}.metainfo.xml)
  set_tests_properties(packaging_appstream PROPERTIES TIMEOUT 60)
endif()
if(ZL_MAN AND zl_man_outputs)
  foreach(page ${zl_man_outputs})
    get_filename_component(name ${page} NAME)
    add_test(NAME packaging_man_${name}
             COMMAND sh -c "LC_ALL=C.UTF-8 MANWIDTH=80 ${ZL_MAN} --warnings -E UTF-8 -l -Tutf8 -Z \"$1\" 2>&1 >/dev/null"
                     sh ${page})
    set_tests_properties(packaging_man_${name} PROPERTIES TIMEOUT 60 FAIL_REGULAR_EXPRESSION ".")
  endforeach()
endif()

# ---- CPack: three Debian packages --------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelkoreporter)
set(CPACK_PACKAGE_VENDOR "zelkoReporter developers")
set(CPACK_PACKAGE_CONTACT "zelkoReporter developers <packages@zelkoreporter.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL viewer server tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE zelkoreporter)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME zelkoreporter)
set(CPACK_DEBIAN_VIEWER_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_VIEWER_PACKAGE_SUGGESTS "recnetd, zelkoreporter-tools")
string(CONCAT CPACK_COMPONENT_VIEWER_DESCRIPTION
  "report viewer for counting devices\n"
  "zelkoReporter reads the databases of people, traffic and queue counting\n"
  "devices from a folder, a record-database server or the device itself and\n"
  "shows line charts, bar charts and tables with totals per period, day, week\n"
  "or month. reporter-cli runs the same reports on the command line.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME recnetd)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
  "${zl_pkg_out}/recnetd/conffiles;${zl_pkg_out}/recnetd/postinst;${zl_pkg_out}/recnetd/prerm;${zl_pkg_out}/recnetd/postrm")
string(CONCAT CPACK_COMPONENT_SERVER_DESCRIPTION
  "read-only record-database server for counting databases\n"
  "recnetd serves the counting databases below its data roots to zelkoReporter\n"
  "and reporter-cli over gRPC, to users who log in with a password. It runs\n"
  "as a hardened systemd service under a system user of its own.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME zelkoreporter-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
string(CONCAT CPACK_COMPONENT_TOOLS_DESCRIPTION
  "sample data and device simulator for zelkoReporter\n"
  "countgen writes sample counting databases of all seven counter types;\n"
  "devsim serves a database as a counting device does, for trying out\n"
  "zelkoReporter and reporter-cli without a device.")

include(CPack)
