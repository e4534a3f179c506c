# cmake -DCOMMAND=<program;args> -DEXPECTED=<file> -P RunAndCompare.cmake: the program must
# end with status 0, print exactly the expected text and nothing on standard error.
execute_process(COMMAND ${COMMAND} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
string(REPLACE "\r" "" out "${out}")
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0 OR NOT out STREQUAL expected OR NOT err STREQUAL "")
  message(FATAL_ERROR "status ${status}; printed:\n${out}\nexpected:\n${expected}\n"
                      "standard error:\n${err}")
endif()
