# Native build: the portable core, its unit tests and the benchmarks.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
# The checksums: zlib's CRC-32 and Adler-32, libcrypto's digests in place of the Windows
# program's CNG.
find_package(ZLIB REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_link_libraries(quillix_core PUBLIC ZLIB::ZLIB OpenSSL::Crypto)

quillix_sources(core_test_sources tests/core)
add_executable(quillix_core_tests ${core_test_sources})
target_link_libraries(quillix_core_tests PRIVATE quillix_core GTest::gtest GTest::gtest_main Threads::Threads)
quillix_test_program(quillix_core_tests)
quillix_add_suite(quillix_core_tests native)

# The benchmarks measure the optimized build: the sanitizer build leaves them out.
if(NOT QUILLIX_SANITIZE)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    message(WARNING "Google Benchmark not found (Debian: libbenchmark-dev): the benchmarks in bench/ are not built")
  else()
    file(GLOB bench_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
    foreach(file IN LISTS bench_files)
      get_filename_component(name ${file} NAME_WE)
      add_executable(${name} ${file})
      target_link_libraries(${name} PRIVATE quillix_core benchmark::benchmark Threads::Threads)
    endforeach()
  endif()
endif()
