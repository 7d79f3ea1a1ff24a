kestal_add_test(tst_slotarchive SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_slotarchive.cpp LIBS kestal_core)
