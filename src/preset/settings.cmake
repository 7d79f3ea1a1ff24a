# The settings window and its option pages: widgets, so the UI library.
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/POptionPage.cpp ${CMAKE_CURRENT_LIST_DIR}/POptionPage.h
  ${CMAKE_CURRENT_LIST_DIR}/PCategoryModel.cpp ${CMAKE_CURRENT_LIST_DIR}/PCategoryModel.h
  ${CMAKE_CURRENT_LIST_DIR}/PCategoryFilterModel.cpp ${CMAKE_CURRENT_LIST_DIR}/PCategoryFilterModel.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormSetting.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormSetting.h
  ${CMAKE_CURRENT_LIST_DIR}/RFramePresetIp.cpp ${CMAKE_CURRENT_LIST_DIR}/RFramePresetIp.h
  ${CMAKE_CURRENT_LIST_DIR}/RFramePresetIpWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RFramePresetIpWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/RFramePresetRegion.cpp ${CMAKE_CURRENT_LIST_DIR}/RFramePresetRegion.h
  ${CMAKE_CURRENT_LIST_DIR}/RFramePresetRegionWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RFramePresetRegionWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/RSeekItems.cpp ${CMAKE_CURRENT_LIST_DIR}/RSeekItems.h
  ${CMAKE_CURRENT_LIST_DIR}/RInstrumentPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/RInstrumentPanel.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RSiteDbSettingsWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteDbSettingsWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/RPlantSettingsWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantSettingsWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebSettingsWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebSettingsWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/RNotifySettingsWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RNotifySettingsWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/PFieldGrid.cpp ${CMAKE_CURRENT_LIST_DIR}/PFieldGrid.h)
