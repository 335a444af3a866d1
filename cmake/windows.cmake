# Cross build: the Win32 shell, the program, and the tests that run under Wine.
set(generated_dir ${CMAKE_BINARY_DIR}/generated)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources -I${CMAKE_SOURCE_DIR} -I${generated_dir}")
enable_language(RC)

# The version of the project() line reaches the version record and the About box through
# this header, and the help page through its version line.
configure_file(${CMAKE_SOURCE_DIR}/resources/quillix_version.h.in ${generated_dir}/quillix_version.h @ONLY)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(win_libs comctl32 comdlg32 gdi32 user32 shell32 version)
target_link_options(quillix_core PUBLIC -static)
# The checksums: zlib from the distribution's mingw-w64 package, linked in (the archive,
# not the import library of its DLL), and CNG for the digests.
find_library(zlib_archive NAMES libz.a REQUIRED)
find_path(zlib_headers zlib.h REQUIRED)
target_include_directories(quillix_core PUBLIC ${zlib_headers})
target_link_libraries(quillix_core PUBLIC ${zlib_archive} bcrypt)
# GCC cannot realign the stack on 64-bit Windows, so an AVX2 register it spills could land
# on a 16-byte boundary and fault on an aligned move. The assembler makes every such move
# an unaligned one, which costs nothing on an aligned address.
set_source_files_properties(${CMAKE_SOURCE_DIR}/search/scan_x86.cpp
  ${CMAKE_SOURCE_DIR}/compare/difference_x86.cpp PROPERTIES COMPILE_OPTIONS -Wa,-muse-unaligned-vector-move)

# Under Wine, the core tests that reach what is Windows' own in the core: the Win32 file
# layer and read guard, 16-bit wchar_t, the vector scans and formatters as mingw builds
# them, and everything written for _WIN32. The view's logic below reaches none of it the
# native tests do not already cover, plain and with sanitizers, so it runs natively only.
quillix_sources(core_test_sources tests/core)
list(FILTER core_test_sources EXCLUDE REGEX
  "/(caret_property|change_map|display_scale|edit_index|edit_log|editing|keyboard|scrolling|selection|view_state)_test\\.cpp$")
add_executable(quillix_core_tests ${core_test_sources})
target_link_libraries(quillix_core_tests PRIVATE quillix_core gtest gtest_main)
quillix_test_program(quillix_core_tests)
quillix_add_suite(quillix_core_tests wine)

if(EXISTS ${CMAKE_SOURCE_DIR}/app/main.cpp)
  quillix_sources(app_sources app app/tools app/dialogs)
  list(FILTER app_sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(quillix_shell STATIC ${app_sources})
  target_link_libraries(quillix_shell PUBLIC quillix_core ${win_libs})
  target_compile_options(quillix_shell PUBLIC -municode)

  set(resource_script ${CMAKE_SOURCE_DIR}/resources/quillix.rc)
  # windres leaves no list of the files it read, so the build is told.
  set_source_files_properties(${resource_script} PROPERTIES OBJECT_DEPENDS
    "${generated_dir}/quillix_version.h;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/resources/quillix.ico;${CMAKE_SOURCE_DIR}/resources/quillix.manifest")

  add_executable(Quillix-64bit WIN32 app/main.cpp ${resource_script})
  target_link_libraries(Quillix-64bit PRIVATE quillix_shell)
  target_link_options(Quillix-64bit PRIVATE -municode -mwindows -static)
  set_target_properties(Quillix-64bit PROPERTIES OUTPUT_NAME "Quillix-64bit")

  # The Help menu opens the help page from the program's own folder, here the build folder;
  # the page's version line is filled in on the way.
  configure_file(${CMAKE_SOURCE_DIR}/resources/quillix-help.html ${CMAKE_BINARY_DIR}/quillix-help.html @ONLY)

  quillix_sources(win_test_sources tests/win tests/win/support)
  # Dialog templates are looked up in the executable that started the process, so the
  # tests carry the program's resources too.
  add_executable(quillix_win_tests ${win_test_sources} ${resource_script})
  target_link_libraries(quillix_win_tests PRIVATE quillix_shell gtest)
  quillix_test_program(quillix_win_tests <windows.h> <commctrl.h> <fstream>)
  target_link_options(quillix_win_tests PRIVATE -municode -static)
  target_compile_definitions(quillix_win_tests PRIVATE
    QUILLIX_EXE_PATH="$<TARGET_FILE:Quillix-64bit>")
  # The tests read the version from the same generated header as the resources.
  target_include_directories(quillix_win_tests PRIVATE ${generated_dir})
  add_dependencies(quillix_win_tests Quillix-64bit)
  quillix_add_suite(quillix_win_tests wine NO_SLOW)
  # The display-scaling tests once more on a display scaled to 144 DPI (150 %), in a Wine
  # prefix of its own: Wine reads the scaling when a prefix starts, so the other tests
  # keep 96. scripts/wine-run.sh makes the prefix the first time.
  add_test(NAME quillix_win_tests_144dpi COMMAND quillix_win_tests --gtest_filter=DisplayScalingTest.*)
  set_tests_properties(quillix_win_tests_144dpi PROPERTIES LABELS wine TIMEOUT 900 ENVIRONMENT
    "QUILLIX_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-144dpi;QUILLIX_LOGPIXELS=144")

  include(cmake/package.cmake)

  # Wine tests drive real windows on one display; running them side by side would let
  # them steal each other's focus.
  set_tests_properties(quillix_core_tests quillix_core_tests_slow quillix_win_tests
    quillix_win_tests_144dpi PROPERTIES RUN_SERIAL TRUE)
endif()
