# One CTest entry per test executable, plus one for its slow tests (names containing "Slow"),
# which carry the label "slow" so that a run on a small disk can leave them out.
function(quillix_add_suite target label)
  add_test(NAME ${target} COMMAND ${target} --gtest_filter=-*Slow*)
  set_tests_properties(${target} PROPERTIES LABELS "${label}" TIMEOUT 900)
  add_test(NAME ${target}_slow COMMAND ${target} --gtest_filter=*Slow*)
  set_tests_properties(${target}_slow PROPERTIES LABELS "${label};slow" TIMEOUT 1800)
endfunction()
