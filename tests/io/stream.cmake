kestal_add_test(tst_stream SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_stream.cpp LIBS kestal_core)
