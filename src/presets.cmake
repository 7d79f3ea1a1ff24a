# Preset holders' base and the store that answers for them on the bus.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SPresetObject.cpp ${CMAKE_CURRENT_LIST_DIR}/SPresetObject.h
  ${CMAKE_CURRENT_LIST_DIR}/SPresetContent.cpp ${CMAKE_CURRENT_LIST_DIR}/SPresetContent.h)
