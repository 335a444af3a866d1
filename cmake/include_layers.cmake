# Run as a test (cmake -DSOURCE_DIR=... -P include_layers.cmake): the program's rooms
# stack, from the bottom up,
#   host, settings -> document/file -> document/history -> document -> document/save
#        -> compare, checksums, places -> hexview -> search -> app (app/tools, app/dialogs)
# and a file includes only from its own room and the ones below it. The document's rooms:
# the file layer, the change record and history, the record itself with open and the
# outside change, and saving (which works on the whole record). compare/ and checksums/
# share one level: side by side, neither includes the other; so do host/ and settings/ (the
# settings record, plain data every layer may read). The shell's rooms (its tool
# windows, its dialogs, and the frame with what it routes between them) are one floor:
# the frame opens every tool window and dialog, and they reach back to the shell's
# records, so they may include each other. resources/ holds plain
# #defines anyone may read.
cmake_policy(SET CMP0057 NEW)
set(levels "host|settings" document/file document/history document document/save "checksums|compare|places" hexview search
  "app&app/tools&app/dialogs")
set(violations "")
foreach(level IN LISTS levels)
  list(FIND levels "${level}" own)
  string(REGEX REPLACE "[|&]" ";" rooms "${level}")
  foreach(room IN LISTS rooms)
    file(GLOB files ${SOURCE_DIR}/${room}/*.h ${SOURCE_DIR}/${room}/*.cpp ${SOURCE_DIR}/${room}/*.inl)
    foreach(file IN LISTS files)
      file(STRINGS ${file} includes REGEX "^#include \"[a-z_/]+/[a-z_0-9]+\\.")
      foreach(line IN LISTS includes)
        # The room of the included file is the folder it lies in.
        string(REGEX REPLACE "^#include \"([a-z_/]+)/[a-z_0-9]+\\..*" "\\1" folder "${line}")
        # Its level; a room of no level (resources/) is below all.
        set(below -1)
        foreach(other IN LISTS levels)
          string(REGEX REPLACE "[|&]" ";" members "${other}")
          if(folder IN_LIST members)
            list(FIND levels "${other}" below)
          endif()
        endforeach()
        # Rooms joined by | share a level but not their code; rooms joined by & share both.
        if(below GREATER own OR (below EQUAL own AND NOT folder STREQUAL room AND NOT level MATCHES "&"))
          file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
          list(APPEND violations "${name}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
# A room of no level would be checked by nobody: every folder of program code has one.
file(GLOB tops LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
string(REGEX REPLACE "[|&]" ";" known "${levels}")
foreach(top IN LISTS tops)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${top} OR top MATCHES "^(build.*|tests|bench|resources|scripts|cmake|\\..*)$")
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${top}/*.cpp ${SOURCE_DIR}/${top}/*.h)
  foreach(source IN LISTS sources)
    get_filename_component(folder "${source}" DIRECTORY)
    if(NOT folder IN_LIST known)
      list(APPEND violations "${source}: a room the layers do not name")
    endif()
  endforeach()
endforeach()
if(violations)
  list(REMOVE_DUPLICATES violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "includes that point up the layers or across a level:\n  ${text}")
endif()
message(STATUS "every include points down the layers")
