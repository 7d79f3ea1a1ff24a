kestal_add_test(tst_sitedbsettings SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sitedbsettings.cpp
  LIBS kestal_ui)
