kestal_add_test(tst_alarmhandling SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_alarmhandling.cpp
  LIBS kestal_core)
