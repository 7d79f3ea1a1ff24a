# List preset holders; the template lives under inc/.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/inc/SPresetUserDef.h
  ${CMAKE_CURRENT_LIST_DIR}/inc/PresetRegion.h ${CMAKE_CURRENT_LIST_DIR}/inc/PresetPersonal.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetRegion.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetRegion.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetPersonal.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetPersonal.h)
