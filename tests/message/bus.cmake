kestal_add_test(tst_smessage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_smessage.cpp LIBS kestal_core)
