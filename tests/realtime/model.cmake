kestal_add_test(tst_regionmodel SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_regionmodel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RealtimeDb.h LIBS kestal_core)
