kestal_add_test(tst_pdosethread SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_pdosethread.cpp
  LIBS kestal_core kestal_simlib)
