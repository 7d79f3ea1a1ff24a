target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PColorLine.cpp ${CMAKE_CURRENT_LIST_DIR}/PColorLine.h
  ${CMAKE_CURRENT_LIST_DIR}/RAlarmFilter.cpp ${CMAKE_CURRENT_LIST_DIR}/RAlarmFilter.h
  ${CMAKE_CURRENT_LIST_DIR}/RRealDoseModel.cpp ${CMAKE_CURRENT_LIST_DIR}/RRealDoseModel.h
  ${CMAKE_CURRENT_LIST_DIR}/RRegionDoseModel.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegionDoseModel.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRegionWatch.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegionWatch.h)
