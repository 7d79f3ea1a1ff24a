kestal_add_test(tst_serverpresets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_serverpresets.cpp LIBS kestal_core)
