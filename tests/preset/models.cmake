kestal_add_test(tst_itemmodels SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_itemmodels.cpp LIBS kestal_ui)
