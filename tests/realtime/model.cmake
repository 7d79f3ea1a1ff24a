kestal_add_test(tst_regionmodel SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_regionmodel.cpp LIBS kestal_core)
