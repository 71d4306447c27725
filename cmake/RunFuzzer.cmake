# Runs one libFuzzer target for SECONDS on a fresh working corpus (WORK) plus the seeds (SEEDS).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(dirs ${WORK})
if(SEEDS AND EXISTS ${SEEDS})
  list(APPEND dirs ${SEEDS})
endif()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -rss_limit_mb=2048 -timeout=10
                        -print_final_stats=1 ${dirs}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${rc})")
endif()
