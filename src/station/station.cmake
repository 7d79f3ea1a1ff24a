# The station: the one core that owns the live state, with or without a window.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RStation.cpp ${CMAKE_CURRENT_LIST_DIR}/RStation.h
  ${CMAKE_CURRENT_LIST_DIR}/RStationSnapshot.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RStationJson.cpp ${CMAKE_CURRENT_LIST_DIR}/RStationJson.h)
