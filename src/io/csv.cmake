# The CSV writer shared by the routing records' export and kestal-report.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SCsvWriter.cpp ${CMAKE_CURRENT_LIST_DIR}/SCsvWriter.h)
