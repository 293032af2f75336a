# Runs one script and checks its transcript for lines that must and must not be there, where the
# exact transcript depends on the machine (how many adapters the real service lists).
execute_process(
  COMMAND ${EMULATOR} ${RUNNER} ${SCRIPT}
  OUTPUT_VARIABLE transcript
  RESULT_VARIABLE status
  TIMEOUT 100)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}:\n${transcript}")
endif()
foreach(line IN LISTS REQUIRED)
  string(FIND "${transcript}" "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "missing \"${line}\" in:\n${transcript}")
  endif()
endforeach()
foreach(line IN LISTS FORBIDDEN)
  string(FIND "${transcript}" "${line}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "unexpected \"${line}\" in:\n${transcript}")
  endif()
endforeach()
