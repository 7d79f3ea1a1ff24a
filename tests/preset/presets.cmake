kestal_add_test(tst_presets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_presets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PresetTestFiles.h LIBS kestal_core)
kestal_add_test(tst_serverpresets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_serverpresets.cpp LIBS kestal_core)
kestal_add_test(tst_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings.cpp
  LIBS kestal_ui kestal_resources)
