target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RConnectDatabase.cpp ${CMAKE_CURRENT_LIST_DIR}/RConnectDatabase.h)
