target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RStorageState.cpp ${CMAKE_CURRENT_LIST_DIR}/RStorageState.h)
