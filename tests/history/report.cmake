kestal_add_test(tst_monthreport SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_monthreport.cpp LIBS kestal_core)
