target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSavepoint.cpp ${CMAKE_CURRENT_LIST_DIR}/PSavepoint.h
  ${CMAKE_CURRENT_LIST_DIR}/RClientSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/RClientSettings.h
  ${CMAKE_CURRENT_LIST_DIR}/RSystemInfoStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RSystemInfoStore.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RDeviceListStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RDeviceListStore.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RDayDataStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RDayDataStore.h)
