kestal_add_test(tst_regionpic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_regionpic.cpp
  LIBS kestal_ui kestal_resources)
