kestal_add_test(tst_pdemohistory SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_pdemohistory.cpp
  LIBS kestal_demolib kestal_core)
