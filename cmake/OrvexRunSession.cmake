# Runs the host on one session script and compares the whole transcript, followed by a line with
# the exit status, with the reviewed one. The host runs in the script's folder, so that messages
# name the script without a path.
# -DHOST=<program> [-DEMULATOR=<wine>] -DCONFIG=<host configuration> -DSCRIPT=<session>
# -DEXPECTED=<transcript> -DOUTPUT=<where the actual transcript goes>
# [-DPLUGIN_DIRS=<dir>|<dir>...] (folders searched for plug-ins, each passed as --plugin-dir)
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
execute_process(COMMAND ${EMULATOR} ${HOST} --error-log=${OUTPUT}.log ${plugin_dir_options} ${CONFIG} ${script}
                WORKING_DIRECTORY ${folder}
                OUTPUT_VARIABLE transcript
                RESULT_VARIABLE status)
# Windows ends the lines of standard output with CR LF.
string(REPLACE "\r\n" "\n" transcript "${transcript}")
string(APPEND transcript "-- exit status ${status}\n")
file(WRITE ${OUTPUT} "${transcript}")
if("$ENV{ORVEX_UPDATE_TRANSCRIPTS}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${transcript}")
endif()
file(READ ${EXPECTED} expected)
string(REPLACE "\r\n" "\n" expected "${expected}")  # a checkout with CR LF line ends
if(NOT transcript STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${OUTPUT})
  message(FATAL_ERROR "transcript differs from ${EXPECTED}; actual: ${OUTPUT}, error log: ${OUTPUT}.log")
endif()
