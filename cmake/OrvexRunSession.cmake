# Runs the host on one session script and compares the whole transcript (standard output and
# standard error, as one terminal would show them), followed by a line with the exit status,
# with the reviewed one. The host runs in the script's folder, so that messages
# name the script without a path.
# -DHOST=<program> [-DEMULATOR=<wine>] -DCONFIG=<host configuration> -DSCRIPT=<session>
# -DEXPECTED=<transcript> -DOUTPUT=<where the actual transcript goes>
# [-DPLUGIN_DIRS=<dir>|<dir>...] (folders searched for plug-ins, each passed as --plugin-dir)
# [-DEXTRA_ARGS=<option>|<option>...] (further options, passed in front of the file names)
# With ORVEX_UPDATE_TRANSCRIPTS=1 in the environment the actual transcript replaces the expected
# one (review the change before keeping it).
get_filename_component(folder ${SCRIPT} DIRECTORY)
get_filename_component(script ${SCRIPT} NAME)
file(REMOVE ${OUTPUT}.log)  # the host appends to its error log
set(plugin_dir_options "")
if(PLUGIN_DIRS)
  string(REPLACE "|" ";" dirs "${PLUGIN_DIRS}")
  foreach(dir IN LISTS dirs)
    list(APPEND plugin_dir_options --plugin-dir=${dir})
  endforeach()
endif()
string(REPLACE "|" ";" extra_options "${EXTRA_ARGS}")
set(host_command ${EMULATOR} ${HOST} --error-log=${OUTPUT}.log ${plugin_dir_options} ${extra_options} ${CONFIG}
                 ${script})
execute_process(COMMAND ${host_command}
                WORKING_DIRECTORY ${folder}
                OUTPUT_VARIABLE transcript
                ERROR_VARIABLE transcript  # messages about bad input, in their place among the lines
                RESULT_VARIABLE status)
# Windows ends the lines of standard output with CR LF.
string(REPLACE "\r\n" "\n" transcript "${transcript}")
string(APPEND transcript "-- exit status ${status}\n")
file(WRITE ${OUTPUT} "${transcript}")
if("$ENV{ORVEX_UPDATE_TRANSCRIPTS}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${transcript}")
endif()
# Messages about bad input belong on standard error: when there are any, a second run must show
# none of them on standard output.
string(FIND "\n${transcript}" "\nmmachhost: " message_at)
if(message_at GREATER -1)
  execute_process(COMMAND ${host_command}
                  WORKING_DIRECTORY ${folder}
                  OUTPUT_VARIABLE standard_output
                  ERROR_QUIET)
  string(FIND "\n${standard_output}" "\nmmachhost: " misplaced_at)
  if(misplaced_at GREATER -1)
    message(FATAL_ERROR "a message about bad input went to standard output:\n${standard_output}")
  endif()
endif()

file(READ ${EXPECTED} expected)
string(REPLACE "\r\n" "\n" expected "${expected}")  # a checkout with CR LF line ends
if(NOT transcript STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${OUTPUT})
  message(FATAL_ERROR "transcript differs from ${EXPECTED}; actual: ${OUTPUT}, error log: ${OUTPUT}.log")
endif()
