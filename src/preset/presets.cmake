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
# The editable lists of registered items behind the device page and the
# history page's trees.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PItemModelPreset.cpp ${CMAKE_CURRENT_LIST_DIR}/PItemModelPreset.h
  ${CMAKE_CURRENT_LIST_DIR}/RItemModelPresetRegion.cpp ${CMAKE_CURRENT_LIST_DIR}/RItemModelPresetRegion.h
  ${CMAKE_CURRENT_LIST_DIR}/RItemModelPresetPersonal.cpp ${CMAKE_CURRENT_LIST_DIR}/RItemModelPresetPersonal.h)
