target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRoutingStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RRoutingStore.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRoutingRecords.cpp ${CMAKE_CURRENT_LIST_DIR}/RRoutingRecords.h)
