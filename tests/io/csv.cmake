kestal_add_test(tst_csvwriter SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_csvwriter.cpp LIBS kestal_core)
