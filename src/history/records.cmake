# The patrol (routing) records view.
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RDataRecord.cpp ${CMAKE_CURRENT_LIST_DIR}/RDataRecord.h)
