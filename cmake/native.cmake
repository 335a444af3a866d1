# Native build: the portable core, its unit tests and the benchmarks.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

quillix_sources(core_test_sources tests/core)
add_executable(quillix_core_tests ${core_test_sources})
target_link_libraries(quillix_core_tests PRIVATE quillix_core GTest::gtest GTest::gtest_main Threads::Threads)
quillix_add_suite(quillix_core_tests native)

find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB bench_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(file IN LISTS bench_files)
    get_filename_component(name ${file} NAME_WE)
    add_executable(${name} ${file})
    target_link_libraries(${name} PRIVATE quillix_core benchmark::benchmark Threads::Threads)
  endforeach()
endif()
