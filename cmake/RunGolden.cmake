# Runs halsim on one scenario file and compares its standard output with
# the file's golden output (cmake -P):
#   HALSIM    halsim
#   EMULATOR  what runs HALSIM in a cross build, its words joined by |
#   SCENARIO  the scenario file
#   GOLDEN    its golden output
#   MODE      check (the default): fail when halsim fails or its output
#             differs from GOLDEN, with the first differing line and a diff;
#             write: rewrite GOLDEN from halsim's output
#   ACTUAL    check: where the output is left for a look when it differs
#   REGEN     check: the command that rewrites the golden files, for the
#             failure message
#
# halsim's default output mode is compared. The MAC table read hands the
# driver the address of the library's buffer, which changes from run to run
# (eight bytes on the build machine, a 32-bit number on the terminal): it
# is compared and written as <address>.
cmake_minimum_required(VERSION 3.25)
foreach(var HALSIM SCENARIO GOLDEN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunGolden.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT DEFINED MODE)
  set(MODE check)
endif()
string(REPLACE "|" ";" emulator "${EMULATOR}")

execute_process(COMMAND ${emulator} ${HALSIM} ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE actual ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "halsim ${SCENARIO} exited with ${status}:\n${errors}")
endif()
string(REGEX REPLACE "(HLP read MAC table: buffer=)[0-9a-fx:]+" "\\1<address>" actual "${actual}")

if(MODE STREQUAL "write")
  file(WRITE "${GOLDEN}" "${actual}")
  message(STATUS "wrote ${GOLDEN}")
  return()
endif()
if(NOT MODE STREQUAL "check")
  message(FATAL_ERROR "RunGolden.cmake: MODE is check or write, not '${MODE}'")
endif()

if(NOT EXISTS "${GOLDEN}")
  message(FATAL_ERROR "no golden output ${GOLDEN}; write it with: ${REGEN}")
endif()
file(READ "${GOLDEN}" expected)
if(actual STREQUAL expected)
  return()
endif()

# The first line that differs, found by position: the text holds brackets
# and semicolons, which CMake's lists would not keep intact.
set(line 1)
set(rest_e "${expected}")
set(rest_a "${actual}")
while(TRUE)
  string(FIND "${rest_e}" "\n" end_e)
  string(FIND "${rest_a}" "\n" end_a)
  string(SUBSTRING "${rest_e}" 0 ${end_e} line_e)
  string(SUBSTRING "${rest_a}" 0 ${end_a} line_a)
  if(NOT line_e STREQUAL line_a OR end_e EQUAL -1 OR end_a EQUAL -1)
    break()
  endif()
  math(EXPR from_e "${end_e} + 1")
  math(EXPR from_a "${end_a} + 1")
  string(SUBSTRING "${rest_e}" ${from_e} -1 rest_e)
  string(SUBSTRING "${rest_a}" ${from_a} -1 rest_a)
  math(EXPR line "${line} + 1")
endwhile()
if(end_e EQUAL -1 AND line_e STREQUAL "")
  set(line_e "(end of file)")
endif()
if(end_a EQUAL -1 AND line_a STREQUAL "")
  set(line_a "(end of output)")
endif()
if(line_e STREQUAL line_a)
  set(line_a "${line_a} (only one of the two ends with a newline)")
endif()

# The diff goes straight to the test's output, where its lines stay as
# they are; the message then says where and what to do.
if(DEFINED ACTUAL)
  file(WRITE "${ACTUAL}" "${actual}")
  find_program(DIFF diff)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u "${GOLDEN}" "${ACTUAL}")
  endif()
endif()
set(report "halsim ${SCENARIO} differs from ${GOLDEN} at line ${line}:\n  expected: ${line_e}\n  got:      ${line_a}\n")
if(DEFINED ACTUAL)
  string(APPEND report "The output is in ${ACTUAL}.\n")
endif()
string(APPEND report "If the change is intended, rewrite the golden files with:\n  ${REGEN}\n")
message(FATAL_ERROR "${report}")
