# Fails, naming the file and line of each, when a source of the program's
# folders includes a header of a folder above its own. The folders from the
# bottom up: a file may include headers of its own folder and of the folders
# below it, never of one above (a subfolder such as app/handlers/ or
# link/tools/ counts as its folder).
#
# The order follows what each folder uses: ui/ is below widgets/ because the
# file dialog goes through the dialog seam; table/ is the model the others
# read and write, so it needs none of them (the coverage records it shows
# are its own, log/ computes them from a recording; the history keeps the
# learned marks through an interface that learn/'s FrameLearner
# implements); link/ sends the table's images and the correction's frames
# and writes what it reads into the model; learn/'s rules work on the
# LogBuffer and the table's images; log/ holds the run, which starts link/'s
# reader and learn/'s beeper, and so the controllers that bind learning and
# correction to the panel and the log chart; compare/ reads table files;
# app/ builds every window and wires them.
set(order core ui widgets table link learn log compare app)

set(found "")
set(count 0)
foreach(folder IN LISTS order)
  list(FIND order ${folder} rank)
  file(GLOB_RECURSE sources RELATIVE "${CMAKE_CURRENT_LIST_DIR}/../.."
       "${CMAKE_CURRENT_LIST_DIR}/../../${folder}/*.h"
       "${CMAKE_CURRENT_LIST_DIR}/../../${folder}/*.cpp")
  foreach(source IN LISTS sources)
    math(EXPR count "${count} + 1")
    # One list element per line, empty lines kept, so that the count is the
    # line's number: the characters a CMake list treats specially go first.
    file(READ "${CMAKE_CURRENT_LIST_DIR}/../../${source}" text)
    string(REGEX REPLACE "[][;\\]" "_" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    foreach(line IN LISTS lines)
      math(EXPR number "${number} + 1")
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([a-z]+)/([^\"]*)\"")
        continue()
      endif()
      set(target "${CMAKE_MATCH_1}")
      list(FIND order ${target} target_rank)
      if(target_rank GREATER rank)
        string(APPEND found "\n  ${source}:${number}: ${target}/${CMAKE_MATCH_2} is above ${folder}/")
      endif()
    endforeach()
  endforeach()
endforeach()
string(REPLACE ";" " < " shown "${order}")
if(found)
  message(FATAL_ERROR "includes against the folder order ${shown}:${found}")
endif()
message(STATUS "${count} sources include only their own folder or one below it (${shown})")
