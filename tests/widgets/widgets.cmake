kestal_add_test(tst_respondbuttonclicked
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_respondbuttonclicked.cpp LIBS kestal_core)
kestal_add_test(tst_customwidgets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_customwidgets.cpp
  LIBS kestal_ui)
