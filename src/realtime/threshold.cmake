target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RPresetAlarmThreshold.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetAlarmThreshold.h)
