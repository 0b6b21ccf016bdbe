# Records a scenario run through libhal_record.so and holds the HLP commands
# of the recording, each after the call that sent it, to halsim's decoder
# (dissect_check recording).
#   cmake -DHALSIM=... -DRECORDER=... -DCHECK=... -DSCENARIO=... -DWORK=... -P RecordCommands.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(rec ${WORK}/run.halrec)

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LD_PRELOAD=${RECORDER} HAL_RECORD_FILE=${rec} ${HALSIM} --quiet ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the recorded run failed (${status}):\n${out}${err}")
endif()

execute_process(COMMAND ${HALSIM} --json ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_FILE ${WORK}/decoded.jsonl ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "halsim --json failed (${status}): ${err}")
endif()

execute_process(COMMAND ${CHECK} recording ${rec} ${WORK}/decoded.jsonl
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the recorded commands differ from the decoder's (${status}):\n${out}${err}")
endif()
string(REGEX MATCH "[0-9]+ HLP commands" commands "${out}")
if(commands STREQUAL "" OR commands MATCHES "^0 ")
  message(FATAL_ERROR "the recording holds no HLP commands:\n${out}")
endif()
string(REGEX MATCH "dissect_check: [0-9]+ calls[^\n]*" summary "${out}")
message(STATUS "${summary}")
