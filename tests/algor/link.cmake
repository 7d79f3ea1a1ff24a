kestal_add_test(tst_pdosethread SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_pdosethread.cpp
  LIBS kestal_core kestal_simlib)
kestal_add_test(tst_failover SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_failover.cpp
  LIBS kestal_core kestal_simlib)
