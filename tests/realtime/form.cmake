kestal_add_test(tst_regionform SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_regionform.cpp
  LIBS kestal_ui kestal_resources)
