kestal_add_test(tst_dosecurvescale SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_dosecurvescale.cpp LIBS kestal_core)
