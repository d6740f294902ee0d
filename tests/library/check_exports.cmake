# Fails unless LIBRARY exports exactly the interface's eighteen functions.
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
set(expected AddDataField ClosePort GetAPIVersion OpenPort Purge SendCommand
    SendCommandComplete getErrorText getFiscalStatus getLastError getPrinterStatus
    setBaudRate setComPort setProtocolType getStatusBitName getReturnCodeText
    getReplyFieldCount getReplyField)
list(SORT expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported: ${found}\nexpected: ${expected}")
endif()
message(STATUS "exports: ${found}")
