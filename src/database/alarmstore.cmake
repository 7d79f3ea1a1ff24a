# The alarm filter settings and the shelved regions.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmFilterStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmFilterStore.h
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmShelfStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmShelfStore.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmStateStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmStateStore.h)
