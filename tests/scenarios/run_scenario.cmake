# Runs one scenario script in a fresh folder and compares its transcript with the expected one.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# The transcript goes straight to a file beside the work folder and is compared byte for byte:
# OUTPUT_VARIABLE and file(READ) without HEX drop the CR of every CR LF pair, which would hide
# a runner that writes text-mode line ends.
set(actual_file ${WORK}.actual.out)
set(argument ${SCRIPT})
set(input)
if(FROM_STDIN)
  set(argument)
  set(input INPUT_FILE ${SCRIPT})
endif()
execute_process(
  COMMAND ${EMULATOR} ${RUNNER} ${argument}
  ${input}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_FILE ${actual_file}
  RESULT_VARIABLE status
  TIMEOUT 100)
file(READ ${EXPECTED} expected)
file(READ ${actual_file} actual)
set(expected_status 0)
if(expected MATCHES "(^|\n)error [0-9]+: [^\n]*\n$")
  set(expected_status 2)
endif()
# A script that needs to send ICMP is skipped where this process has no right to.
file(STRINGS ${SCRIPT} needs REGEX "^# needs: icmp")
if(needs AND actual MATCHES "msgbox OK \"无法检测!\"")
  message("SKIP: no permission to send ICMP here (needs root, cap_net_raw or ping_group_range)")
  return()
endif()
file(READ ${EXPECTED} expected_bytes HEX)
file(READ ${actual_file} actual_bytes HEX)
if(NOT actual_bytes STREQUAL expected_bytes)
  execute_process(COMMAND diff -u ${EXPECTED} ${actual_file})
  # diff and CTest do not show a CR; say so when the first difference may be one.
  string(FIND "${actual_bytes}" "0d0a" crlf)
  math(EXPR odd "${crlf} % 2")
  if(crlf GREATER -1 AND odd EQUAL 0)
    message("the transcript has CR LF line ends")
  endif()
  message(FATAL_ERROR "transcript differs from ${EXPECTED}")
endif()
if(NOT status EQUAL expected_status)
  message(FATAL_ERROR "exit status ${status}, expected ${expected_status}")
endif()
