target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RSiteRooms.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteRooms.h
  ${CMAKE_CURRENT_LIST_DIR}/RSitePlan.cpp ${CMAKE_CURRENT_LIST_DIR}/RSitePlan.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRegionPic.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegionPic.h)
