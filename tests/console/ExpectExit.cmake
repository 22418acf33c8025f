# Runs COMMAND (a ;-list) with KELVANE_BENCH set to BENCH and fails unless it exits with EXPECT.
set(ENV{KELVANE_BENCH} "${BENCH}")
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status STREQUAL "${EXPECT}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT}:\n${output}")
endif()
