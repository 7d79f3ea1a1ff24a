kestal_add_test(tst_stores SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_stores.cpp LIBS kestal_core)
