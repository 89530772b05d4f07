# Runs one fuzz target for $ENV{BRISVEL_FUZZ_SECONDS} seconds (default 60) from
# a fresh copy of its seed corpus. Crashes, leaks and time-outs fail the test.
# Called as: cmake -DFUZZER=<exe> -DCORPUS=<dir> -DWORK=<dir> -P RunFuzzer.cmake
set(seconds 60)
if(DEFINED ENV{BRISVEL_FUZZ_SECONDS})
    set(seconds $ENV{BRISVEL_FUZZ_SECONDS})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
if(IS_DIRECTORY ${CORPUS})
    file(COPY ${CORPUS}/ DESTINATION ${WORK}/corpus)
endif()
execute_process(
    COMMAND ${FUZZER} -max_total_time=${seconds} -timeout=10 -rss_limit_mb=2048
            -artifact_prefix=${WORK}/ ${WORK}/corpus
    RESULT_VARIABLE result
    ERROR_VARIABLE log)
string(REGEX MATCH "Done [0-9]+ runs[^\n]*" done "${log}")
message("${done}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${log}")
endif()
