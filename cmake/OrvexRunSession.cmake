# Runs the host on one session script and compares the whole transcript (standard output and
# standard error, as one terminal would show them), followed by a line with the exit status,
# with the reviewed one. The host runs in the script's folder, so that messages
# name the script without a path.
# -DHOST=<program> [-DEMULATOR=<wine>] -DCONFIG=<host configuration> -DSCRIPT=<session>
# -DEXPECTED=<transcript> -DOUTPUT=<where the actual transcript goes>
# [-DPLUGIN_DIRS=<dir>|<dir>...] (folders searched for plug-ins, each passed as --plugin-dir)
# [-DEXPECTED_LOG=<error log>] (the reviewed error log, each entry without its "file(line): ")
# [-DEXTRA_ARGS=<option>|<option>...] (further options, passed in front of the file names)
# [-DARGS=<arg>|<arg>...] -DWORKDIR=<folder>: these arguments instead of CONFIG and SCRIPT (for
# example "check|host.ini"), run in WORKDIR
# With ORVEX_UPDATE_TRANSCRIPTS=1 in the environment the actual transcript (and error log)
# replaces the expected one (review the change before keeping it).
if(ARGS)
  set(folder ${WORKDIR})
  string(REPLACE "|" ";" arguments "${ARGS}")
else()
  get_filename_component(folder ${SCRIPT} DIRECTORY)
  get_filename_component(script ${SCRIPT} NAME)
  set(arguments ${CONFIG} ${script})
endif()
file(REMOVE ${OUTPUT}.log)  # the host appends to its error log
set(plugin_dir_options "")
if(PLUGIN_DIRS)
  string(REPLACE "|" ";" dirs "${PLUGIN_DIRS}")
  foreach(dir IN LISTS dirs)
    list(APPEND plugin_dir_options --plugin-dir=${dir})
  endforeach()
endif()
string(REPLACE "|" ";" extra_options "${EXTRA_ARGS}")
set(host_command ${EMULATOR} ${HOST} --error-log=${OUTPUT}.log ${plugin_dir_options} ${extra_options} ${arguments})
execute_process(COMMAND ${host_command}
                WORKING_DIRECTORY ${folder}
                OUTPUT_VARIABLE transcript
                ERROR_VARIABLE transcript  # messages about bad input, in their place among the lines
                RESULT_VARIABLE status)
set(log "")
if(EXISTS ${OUTPUT}.log)
  file(READ ${OUTPUT}.log log)  # before a second run appends to it
endif()
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

if(EXPECTED_LOG)
  string(REPLACE "\r\n" "\n" log "${log}")
  # The source location that begins an entry, also an indented one of an error trace.
  string(REGEX REPLACE "(^|\n)( *)[^ \n]+\\([0-9]+\\): " "\\1\\2" log "${log}")
  if("$ENV{ORVEX_UPDATE_TRANSCRIPTS}" STREQUAL "1")
    file(WRITE ${EXPECTED_LOG} "${log}")
  endif()
  file(READ ${EXPECTED_LOG} expected_log)
  string(REPLACE "\r\n" "\n" expected_log "${expected_log}")
  if(NOT log STREQUAL expected_log)
    file(WRITE ${OUTPUT}.log.stripped "${log}")
    execute_process(COMMAND diff -u ${EXPECTED_LOG} ${OUTPUT}.log.stripped)
    message(FATAL_ERROR "error log differs from ${EXPECTED_LOG}; actual: ${OUTPUT}.log.stripped")
  endif()
endif()
