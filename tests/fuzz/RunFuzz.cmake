# Runs a fuzzer for a short time on a fresh copy of its seed corpus.
# -DFUZZER=... -DCORPUS=... -DWORK=... -DSECONDS=... [-DSUPPRESSIONS=lsan.supp]
# Third-party libraries keep a few allocations for the life of the process (SDL's
# error buffer); the suppressions file names them so a leak of ours still fails.
if(SUPPRESSIONS)
  set(ENV{LSAN_OPTIONS} "suppressions=${SUPPRESSIONS}:print_suppressions=0")
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB seeds ${CORPUS}/*)
file(COPY ${seeds} DESTINATION ${WORK})
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -rss_limit_mb=2048 -timeout=10
                        -artifact_prefix=${WORK}/ ${WORK}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer failed (${rc}); see the crash file in ${WORK}")
endif()
