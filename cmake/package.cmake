# Debian packages through CPack (scripts/package): the programs, the library's
# runtime, and its development files, each in a package of its own.
option(FISCAL_DEBIAN_DOCS "Install each Debian package's copyright and changelog" OFF)

set(fiscal_deb_programs fiscal-console)
set(fiscal_deb_library libfiscalprinter1)
set(fiscal_deb_development libfiscalprinter-dev)

if(FISCAL_DEBIAN_DOCS)
  # A native package's changelog, compressed as Debian wants it (no name, no
  # time), dated the day of the release.
  execute_process(COMMAND date -u -R -d ${FISCAL_RELEASE_DATE}
    OUTPUT_VARIABLE FISCAL_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  configure_file(${FISCAL_PACKAGING_DIR}/debian/changelog.in
    ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
  execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/debian/changelog
    COMMAND_ERROR_IS_FATAL ANY)
  foreach(component programs library development)
    set(doc ${CMAKE_INSTALL_DATADIR}/doc/${fiscal_deb_${component}})
    install(FILES ${FISCAL_PACKAGING_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
      DESTINATION ${doc} COMPONENT ${component})
  endforeach()
  # What lintian reports that is not so (each override says why).
  install(FILES ${FISCAL_PACKAGING_DIR}/debian/fiscal-console.lintian-overrides
    RENAME ${fiscal_deb_programs}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT programs)
endif()

set(CPACK_PACKAGE_NAME fiscal-console)
set(CPACK_PACKAGE_VENDOR "Fiscal console developers")
set(CPACK_PACKAGE_CONTACT "Fiscal console developers <fiscal-console@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL programs library development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Programs that link our library (fiscalctl) need dpkg-shlibdeps to find it in
# the build tree; their package's dependency on it comes from the components.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack would give the library's package postinst and postrm scripts that call
# ldconfig; its trigger does that (cmake/deb-without-ldconfig.cmake).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-without-ldconfig.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${fiscal_deb_programs})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION "test console for fiscal receipt printers
A desktop test console for a fiscal receipt printer on a serial line: one
window with a button for each of the printer's commands, showing the printer's
answer to each. With it come a virtual fiscal printer on a pseudo-terminal,
fiscal-printer-sim, its live panel fiscal-printer-panel, and the command-line
companion fiscalctl.")
# The console loads the library at run time (dpkg-shlibdeps cannot see that).
set(CPACK_COMPONENT_PROGRAMS_DEPENDS library)
# The window's layout is measured in Liberation Sans (docs/window.md): without
# it the captions are clipped. Completion needs bash-completion to load it.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS bash-completion)

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${fiscal_deb_library})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# The loader's cache is refreshed by dpkg's ldconfig trigger. The symbols file
# gives programs built against the library a dependency on the version that
# brought each entry point they use (tests/library/check_exports.cmake keeps it
# equal to what the library exports).
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  ${FISCAL_PACKAGING_DIR}/debian/libfiscalprinter1/triggers
  ${FISCAL_PACKAGING_DIR}/debian/libfiscalprinter1/symbols)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "fiscal receipt printer interface library
A C library that speaks the fiscal printer's framed protocol over a serial
line: open a port, gather a command's fields, send it, and read the printer's
status and return code.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${fiscal_deb_development})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "fiscal receipt printer interface library (development files)
The header, the pkg-config file (fiscalprinter) and the CMake package
(find_package(FiscalPrinter), target FiscalPrinter::fiscalprinter) for
programs that link the fiscal printer interface library.")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)

include(CPack)
