kestal_add_test(tst_regionlists SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_regionlists.cpp LIBS kestal_core)
