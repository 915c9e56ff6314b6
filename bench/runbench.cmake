# Runs one benchmark program once, as briefly as Google Benchmark allows, so that a program that
# crashes or reports an error fails its test; the figures are not looked at.
#   cmake -DPROGRAM=<path> -DSCRATCH=<folder> -P runbench.cmake
# A program that was not built is skipped (the benchmarks are built by their own target), unless
# MONITOR_REQUIRE_BENCHMARKS=1: scripts/build.sh builds them, so after it a missing program is a
# fault.
if(NOT EXISTS "${PROGRAM}")
  if("$ENV{MONITOR_REQUIRE_BENCHMARKS}" STREQUAL "1")
    message(FATAL_ERROR "${PROGRAM} was not built")
  endif()
  message("${PROGRAM} not built: skipped (cmake --build . --target benchmarks builds it)")
  return()
endif()

# A fresh working directory: the programs may write the monitor's files (logs, databases).
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(
  COMMAND "${PROGRAM}" --benchmark_min_time=0.000001
  WORKING_DIRECTORY "${SCRATCH}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
message("${output}")
if(NOT result STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} ended with ${result}")
endif()
# A benchmark that gives up (State::SkipWithError) still lets the program end with 0.
if(output MATCHES "ERROR OCCURRED")
  message(FATAL_ERROR "${PROGRAM}: a benchmark reported an error")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
