# The release a Windows user downloads: `cmake --build --preset windows --target package`
# makes Quillix-64bit-<version>-win64.zip in the build folder, holding the program, its help
# page, a short read-me and the notices of the runtime libraries linked into the program
# (-static: the mingw-w64 runtime with winpthreads, libstdc++ and libgcc, and zlib).

configure_file(${CMAKE_SOURCE_DIR}/resources/README.txt.in ${CMAKE_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)

# The notices come from the Debian packages that ship those libraries. The GCC notice
# grants its runtime exception on top of the GPL version 3, whose text it only points to.
set(runtime_notices
    /usr/share/doc/mingw-w64-x86-64-dev/copyright mingw-w64-runtime.txt
    /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime-libraries.txt
    /usr/share/common-licenses/GPL-3 GPL-3.txt
    /usr/share/doc/libz-mingw-w64-dev/copyright zlib.txt)
while(runtime_notices)
  list(POP_FRONT runtime_notices source name)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} is missing: run scripts/install-deps.sh")
  endif()
  install(FILES ${source} DESTINATION licenses RENAME ${name})
endwhile()

install(TARGETS Quillix-64bit RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/quillix-help.html ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quillix-64bit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(release_zip Quillix-64bit-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_FILE_NAME ${release_zip})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The files sit at the top of the zip: Explorer's "Extract All" already makes a folder
# named after the zip.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# The static runtime libraries bring their debugging sections: a third of the size without.
set(CPACK_STRIP_FILES TRUE)
include(CPack)

# The zip checked as a user meets it: made afresh, unpacked into a folder with a blank in
# its name, and the unpacked program run under Wine by quillix_package_tests.
add_executable(quillix_package_tests tests/win/package/unpacked_program_test.cpp)
target_link_libraries(quillix_package_tests PRIVATE gtest version)
target_compile_definitions(quillix_package_tests PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(quillix_package_tests PRIVATE -municode -Wall -Wextra)
target_link_options(quillix_package_tests PRIVATE -municode -static)

add_test(NAME quillix_package_zip COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
add_test(NAME quillix_package
  COMMAND ${CMAKE_COMMAND} -DZIP=${CMAKE_BINARY_DIR}/${release_zip}.zip
          -DVERSION=${PROJECT_VERSION} -DWORK=${CMAKE_BINARY_DIR}/package-test
          -DCHECKER=$<TARGET_FILE:quillix_package_tests> -DRUNNER=${CMAKE_SOURCE_DIR}/scripts/wine-run.sh
          -P ${CMAKE_SOURCE_DIR}/tests/win/package/package_test.cmake)
set_tests_properties(quillix_package_zip PROPERTIES FIXTURES_SETUP release_zip LABELS wine)
# It changes the Wine prefix's handler for .html pages while it runs.
set_tests_properties(quillix_package PROPERTIES FIXTURES_REQUIRED release_zip LABELS wine
  RUN_SERIAL TRUE TIMEOUT 600)
