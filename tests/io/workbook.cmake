kestal_add_test(tst_xlsxworkbook SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_xlsxworkbook.cpp
  LIBS kestal_core)
