# The beeper's audio output of the platform being built for: Qt Multimedia,
# or WinMM's waveOut on Windows, which needs no Qt Multimedia there. This is
# the one place that picks it.
#
# Sets ZELOR_AUDIO_SOURCES (full paths) and ZELOR_AUDIO_LIBRARIES.
if(WIN32)
  set(ZELOR_AUDIO_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AudioToneOutputWinMM.cpp)
  set(ZELOR_AUDIO_LIBRARIES winmm)
else()
  find_package(Qt6 REQUIRED COMPONENTS Multimedia)
  set(ZELOR_AUDIO_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AudioToneOutputQt.cpp)
  set(ZELOR_AUDIO_LIBRARIES Qt6::Multimedia)
endif()
