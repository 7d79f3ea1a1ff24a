# Preset holders of the server settings and the curve colours.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RPresetNetServer.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetNetServer.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetComServer.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetComServer.h
  ${CMAKE_CURRENT_LIST_DIR}/RPresetCurveColor.cpp ${CMAKE_CURRENT_LIST_DIR}/RPresetCurveColor.h
  ${CMAKE_CURRENT_LIST_DIR}/PServerConnect.cpp ${CMAKE_CURRENT_LIST_DIR}/PServerConnect.h)
