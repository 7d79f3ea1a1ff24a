kestal_add_test(tst_linkcompanions SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_linkcompanions.cpp
  LIBS kestal_core kestal_simlib)
