kestal_add_test(tst_psimframes SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_psimframes.cpp
  LIBS kestal_simlib)
