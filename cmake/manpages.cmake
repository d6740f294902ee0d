# Manual pages, made by help2man from each program's own --help and --version
# at build time, so they cannot drift from them. Each page adds only what
# --help does not say (packaging/man/PROGRAM.h2m: description, environment,
# files, see also). A program whose --help is not there yet gets no page, and the
# build says so; without help2man there are no pages at all.
option(FISCAL_BUILD_MANPAGES "Build the manual pages (needs help2man)" ON)
if(NOT FISCAL_BUILD_MANPAGES)
  return()
endif()
find_program(HELP2MAN_EXECUTABLE help2man)
if(NOT HELP2MAN_EXECUTABLE)
  message(STATUS "help2man not found: no manual pages")
  return()
endif()

set(fiscal_man_dir ${PROJECT_BINARY_DIR}/man)
foreach(program fiscal-console fiscal-printer-sim fiscalctl fiscal-printer-panel)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${fiscal_man_dir}/${program}.1)
  set(extra ${FISCAL_PACKAGING_DIR}/man/${program}.h2m)
  add_custom_command(OUTPUT ${page}.stamp
    COMMAND ${FISCAL_PACKAGING_DIR}/man/make-page ${HELP2MAN_EXECUTABLE}
      $<TARGET_FILE:${program}> ${extra} ${page} ${PROJECT_VERSION}
    COMMAND ${CMAKE_COMMAND} -E touch ${page}.stamp
    DEPENDS ${program} ${extra} ${FISCAL_PACKAGING_DIR}/man/make-page
    COMMENT "Manual page ${program}.1 from its --help"
    VERBATIM)
  add_custom_target(${program}-man ALL DEPENDS ${page}.stamp)
  # OPTIONAL: absent while the program has no --help of its own.
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT programs OPTIONAL)
endforeach()
