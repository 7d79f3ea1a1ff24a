# What the history charts and the monthly report read.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PHistoryDoseStore.cpp ${CMAKE_CURRENT_LIST_DIR}/PHistoryDoseStore.h
  ${CMAKE_CURRENT_LIST_DIR}/RMonthReportStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RMonthReportStore.h)
