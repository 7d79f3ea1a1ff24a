target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmJournal.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmJournal.h
  ${CMAKE_CURRENT_LIST_DIR}/RNotifyQueue.cpp ${CMAKE_CURRENT_LIST_DIR}/RNotifyQueue.h
  ${CMAKE_CURRENT_LIST_DIR}/RCommitPacer.cpp ${CMAKE_CURRENT_LIST_DIR}/RCommitPacer.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RInstrumentStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RInstrumentStore.h)
