kestal_add_test(tst_rregularsave SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_rregularsave.cpp LIBS kestal_core)
kestal_add_test(tst_storagefaults SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_storagefaults.cpp
  LIBS kestal_core)
