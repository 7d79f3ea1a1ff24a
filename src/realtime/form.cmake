target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRealRateCurve.cpp ${CMAKE_CURRENT_LIST_DIR}/RRealRateCurve.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormRegion.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormRegion.h)
