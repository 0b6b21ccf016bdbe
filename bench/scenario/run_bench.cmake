# Runs the benchmark of bench_scenario_100k (cmake -P):
#   GEN       gen_scenario
#   HALSIM    halsim
#   CALLS     calls of the scenario
#   FILE      where the scenario is written
#   LIMIT_MS  most milliseconds halsim may take; 0 for no limit
#   EMULATOR  what runs GEN and HALSIM in a cross build, its words joined by |
# Writes the scenario, times `halsim FILE --quiet`, prints the calls per
# second; fails when halsim fails, reports another number of requests or a
# failed expect, or takes longer than LIMIT_MS.
foreach(var GEN HALSIM CALLS FILE LIMIT_MS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_bench.cmake: ${var} is not set")
  endif()
endforeach()
string(REPLACE "|" ";" emulator "${EMULATOR}")

execute_process(COMMAND ${emulator} ${GEN} ${FILE} ${CALLS} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gen_scenario failed: ${status}")
endif()

string(TIMESTAMP start "%s%f" UTC)
execute_process(COMMAND ${emulator} ${HALSIM} ${FILE} --quiet
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(TIMESTAMP end "%s%f" UTC)
math(EXPR micros "${end} - ${start}")
string(STRIP "${out}" out)
message(STATUS "${out}")
if(NOT status EQUAL 0)
  string(SUBSTRING "${err}" 0 2000 err)
  message(FATAL_ERROR "halsim exited with ${status}:\n${err}")
endif()
if(NOT out MATCHES "[ ]${CALLS} requests,.* 0 failed$")
  message(FATAL_ERROR "halsim did not run the ${CALLS} calls with every expect holding")
endif()

# Seconds and calls per second, from microseconds.
math(EXPR millis "${micros} / 1000")
math(EXPR whole "${millis} / 1000")
math(EXPR frac "${millis} % 1000 + 1000")
string(SUBSTRING "${frac}" 1 3 frac)
if(micros GREATER 0)
  math(EXPR rate "${CALLS} * 1000000 / ${micros}")
else()
  set(rate "-")
endif()
message(STATUS "${CALLS} calls in ${whole}.${frac} s: ${rate} calls/s")
if(LIMIT_MS GREATER 0)
  if(millis GREATER LIMIT_MS)
    message(FATAL_ERROR "halsim took ${whole}.${frac} s for ${CALLS} calls: more than ${LIMIT_MS} ms")
  endif()
else()
  message(STATUS "no time limit in this build (sanitizers, an emulator or no optimisation)")
endif()
