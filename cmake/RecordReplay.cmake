# Records a scenario run through libhal_record.so, then replays the
# recording against the simulated terminal and runs it again as a
# scenario: both must give every call its recorded result. Given CHECK
# (dissect_check), the HLP commands of the recording, each after the call
# that sent it, must also read as halsim's decoder reads the same run.
#   cmake -DHALSIM=... -DRECORDER=... -DSCENARIO=... -DWORK=... [-DCHECK=...] -P RecordReplay.cmake
file(MAKE_DIRECTORY ${WORK})
set(rec ${WORK}/run.halrec)
set(again ${WORK}/again.hal)
file(REMOVE ${rec})

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LD_PRELOAD=${RECORDER} HAL_RECORD_FILE=${rec} ${HALSIM} --quiet ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the recorded run failed (${status}):\n${out}${err}")
endif()
if(NOT EXISTS ${rec})
  message(FATAL_ERROR "the recorder wrote no ${rec}")
endif()

execute_process(COMMAND ${HALSIM} --quiet --replay ${rec}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES " 0 differ")
  message(FATAL_ERROR "the replay differs from the recording (${status}):\n${out}${err}")
endif()
string(REGEX MATCH "replayed ([0-9]+) calls" calls "${out}")
if(CMAKE_MATCH_1 LESS 10)
  message(FATAL_ERROR "the recording holds too few calls: ${out}")
endif()

execute_process(COMMAND ${HALSIM} --to-scenario ${rec}
  RESULT_VARIABLE status OUTPUT_FILE ${again} ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "--to-scenario failed (${status}): ${err}")
endif()
execute_process(COMMAND ${HALSIM} --quiet ${again}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the recording as a scenario does not hold (${status}):\n${out}${err}")
endif()
message(STATUS "${calls}; as a scenario: ${out}")

if(DEFINED CHECK)
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
endif()
