kestal_add_test(tst_customwidgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_customwidgets.cpp
  LIBS kestal_ui)
