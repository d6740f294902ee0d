# The guides of docs/ that a user of the installed packages needs, in each
# package's documentation folder: the window, fiscalctl, the virtual printer and its panel
# with the programs; the library and its protocol with the development files.
# A link to a guide of the other package is written as the installed path of
# that guide, so every installed text points at an installed place.
set(fiscal_docs_programs window.md fiscalctl.md simulator.md panel.md screenshot.png)
set(fiscal_docs_development library.md protocol.md)

set(fiscal_doc_build_dir ${PROJECT_BINARY_DIR}/doc)
foreach(component programs development)
  if(component STREQUAL programs)
    set(other development)
  else()
    set(other programs)
  endif()
  string(TOUPPER ${component} upper)
  string(TOUPPER ${other} other_upper)
  foreach(doc IN LISTS fiscal_docs_${component})
    set(source ${PROJECT_SOURCE_DIR}/docs/${doc})
    set(installed ${fiscal_doc_build_dir}/${component}/${doc})
    if(doc MATCHES "\\.md$")
      file(READ ${source} text)
      foreach(elsewhere IN LISTS fiscal_docs_${other})
        string(REPLACE "](${elsewhere}" "](${FISCAL_${other_upper}_DOCDIR_FULL}/${elsewhere}"
          text "${text}")
      endforeach()
      file(WRITE ${installed} "${text}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    else()
      configure_file(${source} ${installed} COPYONLY)
    endif()
    install(FILES ${installed} DESTINATION ${FISCAL_${upper}_DOCDIR} COMPONENT ${component})
  endforeach()
endforeach()
