# Manual pages, written in roff in packaging/man/ (one source each: NAME.SECTION.in)
# with the version, the release date and the installed paths filled in, and
# compressed as Debian wants them. scripts/check-install renders every page
# without a warning and compares the options and commands of each section 1
# page with its program's --help, both ways. Section 3 has one page for the
# library's C interface, and a page for each entry point it exports
# (libfiscalprinter/exports.map) that includes it (.so).
option(FISCAL_BUILD_MANPAGES "Install the manual pages" ON)
if(NOT FISCAL_BUILD_MANPAGES)
  return()
endif()

set(fiscal_man_dir ${PROJECT_BINARY_DIR}/man)

# Writes PAGE.gz beside PAGE (gzip -9n: no name, no time, as dh_compress does).
function(fiscal_compress_page page)
  execute_process(COMMAND gzip -9nc ${page} OUTPUT_FILE ${page}.gz COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# The page NAME.SECTION from packaging/man/NAME.SECTION.in, in COMPONENT.
function(fiscal_manual_page page component)
  string(REGEX REPLACE "^.*\\.([0-9])$" "\\1" section ${page})
  configure_file(${FISCAL_PACKAGING_DIR}/man/${page}.in ${fiscal_man_dir}/${page} @ONLY)
  fiscal_compress_page(${fiscal_man_dir}/${page})
  install(FILES ${fiscal_man_dir}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section}
    COMPONENT ${component})
endfunction()

# fiscalctl(1), whose list of printer commands the build fills in from the
# command set (fiscalctl/command_tables.h), so that no command is left out.
function(fiscal_fiscalctl_page)
  set(page ${fiscal_man_dir}/fiscalctl.1)
  configure_file(${FISCAL_PACKAGING_DIR}/man/fiscalctl.1.in ${page}.configured @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND command-tables man ${page}.configured ${page}
    COMMAND gzip -9nkf ${page}
    DEPENDS command-tables ${page}.configured
    COMMENT "Filling in the printer commands of fiscalctl(1)")
  add_custom_target(fiscalctl-manual-page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
endfunction()

# Section 1: one page per program built.
foreach(program IN LISTS fiscal_programs)
  if(program STREQUAL "fiscalctl" AND TARGET fiscalctl)
    fiscal_fiscalctl_page()
  elseif(TARGET ${program})
    fiscal_manual_page(${program}.1 programs)
  endif()
endforeach()

# Section 3: the library's page, and a .so page per exported entry point.
fiscal_manual_page(fiscalprinter.3 development)
file(READ ${PROJECT_SOURCE_DIR}/libfiscalprinter/exports.map exports)
string(REGEX REPLACE ".*global:(.*)local:.*" "\\1" exports "${exports}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z_0-9]*" exported "${exports}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/libfiscalprinter/exports.map)
foreach(entry IN LISTS exported)
  set(page ${fiscal_man_dir}/${entry}.3)
  file(WRITE ${page} ".so man3/fiscalprinter.3\n")
  fiscal_compress_page(${page})
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT development)
endforeach()
