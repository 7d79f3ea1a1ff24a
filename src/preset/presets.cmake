# Every preset holder and the store that answers for them on the bus; the
# list holders' template lives under inc/.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SPresetObject.cpp ${CMAKE_CURRENT_LIST_DIR}/SPresetObject.h
  ${CMAKE_CURRENT_LIST_DIR}/SPresetContent.cpp ${CMAKE_CURRENT_LIST_DIR}/SPresetContent.h
  ${CMAKE_CURRENT_LIST_DIR}/inc/SPresetUserDef.h
  ${CMAKE_CURRENT_LIST_DIR}/inc/PresetRegion.h ${CMAKE_CURRENT_LIST_DIR}/inc/PresetPersonal.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetRegion.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetRegion.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetPersonal.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetPersonal.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetNetServer.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetNetServer.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetComServer.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetComServer.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetCurveColor.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetCurveColor.h
  ${CMAKE_CURRENT_LIST_DIR}/PServerConnect.cpp ${CMAKE_CURRENT_LIST_DIR}/PServerConnect.h)
