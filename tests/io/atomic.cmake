kestal_add_test(tst_satomicfile SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_satomicfile.cpp
  LIBS kestal_core)
