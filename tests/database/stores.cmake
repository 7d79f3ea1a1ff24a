kestal_add_test(tst_regiondatastore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_regiondatastore.cpp LIBS kestal_core)
kestal_add_test(tst_storereads SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_storereads.cpp LIBS kestal_core)
kestal_add_test(tst_historystore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historystore.cpp LIBS kestal_core)
kestal_add_test(tst_monthreportstore SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_monthreportstore.cpp LIBS kestal_core)
