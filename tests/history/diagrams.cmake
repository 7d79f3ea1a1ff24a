kestal_add_test(tst_historydiagrams SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historydiagrams.cpp LIBS kestal_ui)
kestal_add_test(tst_historypage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historypage.cpp
  LIBS kestal_ui kestal_resources)
