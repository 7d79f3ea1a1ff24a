kestal_add_test(tst_rconnectdatabase SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_rconnectdatabase.cpp LIBS kestal_core)
