# One CTest entry per test executable and, unless NO_SLOW is given, one more for its slow
# tests (names containing "Slow"), labelled "slow" so that a run on a small disk can leave
# them out.
function(quillix_add_suite target label)
  add_test(NAME ${target} COMMAND ${target} --gtest_filter=-*Slow*)
  set_tests_properties(${target} PROPERTIES LABELS "${label}" TIMEOUT 900)
  if(NOT ARGV2 STREQUAL "NO_SLOW")
    add_test(NAME ${target}_slow COMMAND ${target} --gtest_filter=*Slow*)
    set_tests_properties(${target}_slow PROPERTIES LABELS "${label};slow" TIMEOUT 1800)
  endif()
endfunction()
