target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RMinuteReduction.cpp ${CMAKE_CURRENT_LIST_DIR}/RMinuteReduction.h
  ${CMAKE_CURRENT_LIST_DIR}/RRegularSave.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegularSave.h)
