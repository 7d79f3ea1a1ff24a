target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRegionCatalogue.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegionCatalogue.h)
# The staff lists, shown and never written.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RStaffListStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RStaffListStore.h)
