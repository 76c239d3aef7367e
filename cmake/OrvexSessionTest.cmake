# orvex_add_session_test(<name> CONFIG <host configuration> SCRIPT <session> EXPECTED <transcript>
#                        [HOST <program>] [PLUGIN_DIRS <folders...>] [EXTRA_ARGS <options...>]
#                        [LABELS <labels...>] [ERROR_LOG <reviewed error log>])
# orvex_add_session_test(<name> ARGS <arguments...> WORKDIR <folder> EXPECTED <transcript> ...)
# A CTest test that runs the host (ORVEX_HOST unless HOST is given; under the cross-compiling
# emulator, such as Wine, when there is one) on a session script in the script's folder, with
# --plugin-dir for each of PLUGIN_DIRS and the options EXTRA_ARGS, and compares the whole transcript and exit status with
# EXPECTED; or, with ARGS, on those arguments in WORKDIR. With ERROR_LOG it also compares the
# error log, without the source locations that begin its entries (they move with every change
# of the code). With ORVEX_UPDATE_TRANSCRIPTS=1 in the environment the test rewrites EXPECTED instead
# (review the change before keeping it).
set(ORVEX_RUN_SESSION_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/OrvexRunSession.cmake)

function(orvex_add_session_test name)
  cmake_parse_arguments(ARG "" "CONFIG;SCRIPT;EXPECTED;HOST;WORKDIR;ERROR_LOG" "PLUGIN_DIRS;EXTRA_ARGS;LABELS;ARGS" ${ARGN})
  if(NOT ARG_HOST)
    set(ARG_HOST ${ORVEX_HOST})
  endif()
  string(REPLACE ";" "|" plugin_dirs "${ARG_PLUGIN_DIRS}")
  string(REPLACE ";" "|" arguments "${ARG_ARGS}")
  string(REPLACE ";" "|" extra_args "${ARG_EXTRA_ARGS}")
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DHOST=${ARG_HOST} "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                   -DCONFIG=${ARG_CONFIG} -DSCRIPT=${ARG_SCRIPT} -DEXPECTED=${ARG_EXPECTED}
                   -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/${name}.transcript "-DPLUGIN_DIRS=${plugin_dirs}"
                   "-DARGS=${arguments}" "-DEXTRA_ARGS=${extra_args}" -DWORKDIR=${ARG_WORKDIR} "-DEXPECTED_LOG=${ARG_ERROR_LOG}"
                   -P ${ORVEX_RUN_SESSION_SCRIPT})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
