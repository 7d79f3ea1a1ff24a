target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRegionCatalogue.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegionCatalogue.h)
