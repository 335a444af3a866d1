# The release zip as a user meets it: unpacked into a fresh folder with a blank in its name,
# it must hold exactly the release's files, the texts must carry the project's version, and
# the unpacked program must run (unpacked_program_test.cpp, under Wine).
#
# cmake -DZIP=<zip> -DVERSION=<project version> -DWORK=<scratch folder>
#       -DCHECKER=<quillix_package_tests.exe> -DRUNNER=<scripts/wine-run.sh> -P package_test.cmake

if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "no ${ZIP}: cmake --build --preset windows --target package")
endif()

set(folder "${WORK}/Quillix unpacked")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${folder}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${folder}")

file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
list(SORT found)
set(wanted
    Quillix-64bit.exe
    README.txt
    licenses/GPL-3.txt
    licenses/gcc-runtime-libraries.txt
    licenses/mingw-w64-runtime.txt
    licenses/zlib.txt
    quillix-help.html)
if(NOT found STREQUAL wanted)
  message(FATAL_ERROR "the zip holds\n  ${found}\ninstead of\n  ${wanted}")
endif()

# Both texts are made from templates; an unfilled one would show no version at all.
foreach(text README.txt quillix-help.html)
  file(READ "${folder}/${text}" content)
  string(FIND "${content}" "${VERSION}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${text} does not name version ${VERSION}")
  endif()
endforeach()

execute_process(COMMAND "${RUNNER}" "${CHECKER}" "${folder}" "${VERSION}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the unpacked program failed its checks (exit ${result})")
endif()
