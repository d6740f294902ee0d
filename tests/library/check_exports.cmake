# Fails unless LIBRARY exports exactly the functions of the version script
# (EXPORTS, the one list of the interface) and the Debian symbols file
# (SYMBOLS) lists exactly those: a function added to one and not the others,
# or left out of the library, is caught here.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND found ${name})
endforeach()
list(SORT found)

file(READ ${EXPORTS} exports)
string(REGEX REPLACE ".*global:(.*)local:.*" "\\1" exports "${exports}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z_0-9]*" scripted "${exports}")
list(SORT scripted)

file(STRINGS ${SYMBOLS} symbol_lines REGEX "^ [A-Za-z_][A-Za-z_0-9]*@Base ")
set(symbols "")
foreach(line IN LISTS symbol_lines)
  string(REGEX REPLACE "^ ([A-Za-z_0-9]+)@Base .*" "\\1" name "${line}")
  list(APPEND symbols ${name})
endforeach()
list(SORT symbols)

list(LENGTH found count)
if(count EQUAL 0 OR NOT found STREQUAL scripted)
  message(FATAL_ERROR "exported: ${found}\nexports.map: ${scripted}")
endif()
if(NOT found STREQUAL symbols)
  message(FATAL_ERROR "exported: ${found}\nsymbols file: ${symbols}")
endif()
message(STATUS "exports (${count}): ${found}")
