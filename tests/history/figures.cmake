kestal_add_test(tst_alarmfigures SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_alarmfigures.cpp LIBS kestal_core)
