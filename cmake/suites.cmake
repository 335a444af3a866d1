# One CTest entry per test executable and, unless NO_SLOW is given, one more for its slow
# tests (names containing "Slow"), labelled "slow" so that a run on a small disk can leave
# them out.
function(quillix_add_suite target label)
  add_test(NAME ${target} COMMAND ${target} --gtest_filter=-*Slow*)
  # The native suites take seconds (a minute or two with sanitizers): a hang fails in
  # minutes. Under Wine every window test waits on real windows, so it gets longer.
  if(label STREQUAL "native")
    set(timeout 600)
  else()
    set(timeout 900)
  endif()
  set_tests_properties(${target} PROPERTIES LABELS "${label}" TIMEOUT ${timeout})
  if(NOT ARGV2 STREQUAL "NO_SLOW")
    add_test(NAME ${target}_slow COMMAND ${target} --gtest_filter=*Slow*)
    set_tests_properties(${target}_slow PROPERTIES LABELS "${label};slow" TIMEOUT 1800)
  endif()
endfunction()

# Test programs build faster with GoogleTest and the standard headers most tests use
# compiled once per program (headers lists any more), and with their own code optimized
# lightly or, with sanitizers, debugged by line only: the code under test keeps the
# build's own flags.
function(quillix_test_program target)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <algorithm> <cstdint> <cstring> <filesystem>
    <map> <random> <set> <string> <vector> ${ARGN})
  if(QUILLIX_SANITIZE)
    target_compile_options(${target} PRIVATE -g1)
  elseif(CMAKE_BUILD_TYPE STREQUAL "Release")
    target_compile_options(${target} PRIVATE -O1)
  endif()
endfunction()
