# Alarm acknowledgement, chattering, shelving and floods, the journal's writer
# and the audible cue's timing: no widgets.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmState.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmState.h
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmChatter.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmChatter.h
  ${CMAKE_CURRENT_LIST_DIR}/PAlarmCue.cpp ${CMAKE_CURRENT_LIST_DIR}/PAlarmCue.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmSound.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmSound.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmJournalView.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmJournalView.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RInstrumentWatch.cpp ${CMAKE_CURRENT_LIST_DIR}/RInstrumentWatch.h)
