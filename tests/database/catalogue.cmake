kestal_add_test(tst_rregioncatalogue SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_rregioncatalogue.cpp LIBS kestal_core)
kestal_add_test(tst_devicelist SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_devicelist.cpp LIBS kestal_core)
