# Run by CPack after it has made the packages (CPACK_POST_BUILD_SCRIPTS).
# CPack's DEB generator gives every package with a shared library under /usr/lib
# a postinst and a postrm that call ldconfig. dpkg's ldconfig trigger, which the
# library's package activates (packaging/debian/libfiscalprinter1/triggers),
# already does that, and Debian forbids the calls (lintian:
# maintscript-calls-ldconfig); the package is rebuilt without the two scripts.
# Any other content of those scripts would be ours and stops the build.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "/libfiscalprinter1_[^/]*\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(STRINGS ${tree}/DEBIAN/${script} lines)
      list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|[ \t]*ldconfig|fi|)$")
      if(lines)
        message(FATAL_ERROR "${script} of ${deb} does more than call ldconfig: ${lines}")
      endif()
      file(REMOVE ${tree}/DEBIAN/${script})
    endif()
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
