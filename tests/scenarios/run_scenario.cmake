# Runs one scenario script in a fresh folder and compares its transcript with the expected one.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${EMULATOR} ${RUNNER} ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE actual
  RESULT_VARIABLE status
  TIMEOUT 100)
file(READ ${EXPECTED} expected)
set(expected_status 0)
if(expected MATCHES "(^|\n)error [0-9]+: [^\n]*\n$")
  set(expected_status 2)
endif()
file(WRITE ${WORK}/actual.out "${actual}")
# A script that needs to send ICMP is skipped where this process has no right to.
file(STRINGS ${SCRIPT} needs REGEX "^# needs: icmp")
if(needs AND actual MATCHES "msgbox OK \"无法检测!\"")
  message("SKIP: no permission to send ICMP here (needs root, cap_net_raw or ping_group_range)")
  return()
endif()
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${WORK}/actual.out)
  message(FATAL_ERROR "transcript differs from ${EXPECTED}")
endif()
if(NOT status EQUAL expected_status)
  message(FATAL_ERROR "exit status ${status}, expected ${expected_status}")
endif()
