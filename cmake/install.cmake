# Everything `cmake --install` and CPack put on a machine, in one place. Targets
# are named, never their folders. Included last from the top-level CMakeLists.txt.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(FISCAL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Each package's documentation folder, the programs' and the library's
# development files' (named as the Debian packages are): *_DOCDIR to install
# into, *_DOCDIR_FULL for texts that name it.
foreach(component_package IN ITEMS "PROGRAMS;fiscal-console" "DEVELOPMENT;libfiscalprinter-dev")
  list(GET component_package 0 component)
  list(GET component_package 1 package)
  set(FISCAL_${component}_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${package})
  set(FISCAL_${component}_DOCDIR_FULL ${CMAKE_INSTALL_FULL_DATADIR}/doc/${package})
endforeach()

# The console and fiscalctl load the library at run time, never through the
# loader's search path: first lib/ beside bin/ (the build tree), then the
# installed library folder, given relative to the installed bin/ so that any
# prefix works (lib/x86_64-linux-gnu on Debian with the /usr prefix).
file(RELATIVE_PATH FISCAL_BIN_TO_LIBDIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
target_compile_definitions(fiscal_host PRIVATE
  FISCAL_INSTALLED_LIBDIR="${FISCAL_BIN_TO_LIBDIR}")

# Programs that link the library find it without LD_LIBRARY_PATH: the loader's
# own folders need nothing, any other prefix gets a RUNPATH relative to bin/.
set(fiscal_programs fiscal-console fiscal-printer-sim fiscalctl fiscal-printer-panel)
list(FIND CMAKE_C_IMPLICIT_LINK_DIRECTORIES ${CMAKE_INSTALL_FULL_LIBDIR} libdir_is_system)
foreach(program IN LISTS fiscal_programs)
  if(NOT TARGET ${program})
    continue()
  endif()
  if(libdir_is_system EQUAL -1)
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${FISCAL_BIN_TO_LIBDIR}")
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
endforeach()

# The library: runtime (soname) and development files (header, .so link,
# pkg-config, CMake package) in separate components.
target_include_directories(fiscalprinter INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS fiscalprinter EXPORT FiscalPrinterTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT library NAMELINK_COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/libfiscalprinter/include/fiscalprinter/fiscalprinter.h
  ${FISCAL_GENERATED_INCLUDE_DIR}/fiscalprinter/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/fiscalprinter COMPONENT development)

set(fiscal_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/FiscalPrinter)
install(EXPORT FiscalPrinterTargets NAMESPACE FiscalPrinter::
  DESTINATION ${fiscal_cmake_dir} COMPONENT development)
configure_package_config_file(${FISCAL_PACKAGING_DIR}/FiscalPrinterConfig.cmake.in
  ${PROJECT_BINARY_DIR}/FiscalPrinterConfig.cmake INSTALL_DESTINATION ${fiscal_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/FiscalPrinterConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/FiscalPrinterConfig.cmake
  ${PROJECT_BINARY_DIR}/FiscalPrinterConfigVersion.cmake
  DESTINATION ${fiscal_cmake_dir} COMPONENT development)

# pkg-config: the system prefix as it is; any other relative to the .pc file,
# so that `cmake --install --prefix DIR` and a moved prefix still work.
if(libdir_is_system EQUAL -1)
  file(RELATIVE_PATH FISCAL_PC_PREFIX
    ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" FISCAL_PC_PREFIX "\${pcfiledir}/${FISCAL_PC_PREFIX}")
else()
  set(FISCAL_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
endif()
configure_file(${FISCAL_PACKAGING_DIR}/fiscalprinter.pc.in
  ${PROJECT_BINARY_DIR}/fiscalprinter.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/fiscalprinter.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# The desktop menu: entry, our icon, AppStream metainfo (with this release).
set(fiscal_app_id org.fiscalconsole.console)
if(TARGET fiscal-console)
  install(FILES ${FISCAL_PACKAGING_DIR}/${fiscal_app_id}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programs)
  install(FILES ${FISCAL_PACKAGING_DIR}/fiscal-console.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT programs)
  configure_file(${FISCAL_PACKAGING_DIR}/${fiscal_app_id}.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/${fiscal_app_id}.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${fiscal_app_id}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT programs)
endif()

# The printer's panel: its own menu entry (with the console's icon).
if(TARGET fiscal-printer-panel)
  install(FILES ${FISCAL_PACKAGING_DIR}/org.fiscalconsole.panel.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programs)
endif()

# Bash completion: one script for every program built, which asks the programs
# themselves what to offer; installed under each program's name, where
# bash-completion looks for it.
set(FISCAL_COMPLETED_PROGRAMS "")
foreach(program IN LISTS fiscal_programs)
  if(TARGET ${program})
    string(APPEND FISCAL_COMPLETED_PROGRAMS " ${program}")
  endif()
endforeach()
string(STRIP "${FISCAL_COMPLETED_PROGRAMS}" FISCAL_COMPLETED_PROGRAMS)
configure_file(${FISCAL_PACKAGING_DIR}/completion/fiscal-console.bash.in
  ${PROJECT_BINARY_DIR}/completion/fiscal-console.bash @ONLY)
foreach(program IN LISTS fiscal_programs)
  if(TARGET ${program})
    install(FILES ${PROJECT_BINARY_DIR}/completion/fiscal-console.bash RENAME ${program}
      DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT programs)
  endif()
endforeach()

# fiscalctl's acceptance run, where it looks for it: share/fiscalctl/ beside bin/.
if(TARGET fiscalctl)
  install(FILES ${PROJECT_SOURCE_DIR}/fiscalctl/acceptance.fiscalctl
    DESTINATION ${CMAKE_INSTALL_DATADIR}/fiscalctl COMPONENT programs)
endif()

# The library's examples, which scripts/check-install builds against the
# installed package.
install(FILES ${PROJECT_SOURCE_DIR}/libfiscalprinter/examples/client.c
  ${PROJECT_SOURCE_DIR}/libfiscalprinter/examples/CMakeLists.txt
  DESTINATION ${FISCAL_DEVELOPMENT_DOCDIR}/examples COMPONENT development)

include(${CMAKE_CURRENT_LIST_DIR}/docs.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/manpages.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
