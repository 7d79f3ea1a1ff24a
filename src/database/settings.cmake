target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSavepoint.cpp ${CMAKE_CURRENT_LIST_DIR}/PSavepoint.h
  ${CMAKE_CURRENT_LIST_DIR}/RSystemInfoStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RSystemInfoStore.h)
