kestal_add_test(tst_filewriters SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_filewriters.cpp
  LIBS kestal_core)
