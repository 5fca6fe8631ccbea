# The table file's name rule with the name case of the platform being built
# for. This is the one place that picks it; the configurator's zelor_core and
# the console companion in link/tools/ both take it from here.
#
# Sets ZELOR_TABLE_NAME_SOURCES (full paths).
set(ZELOR_TABLE_NAME_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/TableFileName.h ${CMAKE_CURRENT_LIST_DIR}/TableFileName.cpp)
if(WIN32)
  list(APPEND ZELOR_TABLE_NAME_SOURCES ${CMAKE_CURRENT_LIST_DIR}/NameCaseWin32.cpp)
else()
  list(APPEND ZELOR_TABLE_NAME_SOURCES ${CMAKE_CURRENT_LIST_DIR}/NameCasePosix.cpp)
endif()
