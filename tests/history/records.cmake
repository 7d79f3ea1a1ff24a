kestal_add_test(tst_datarecord SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_datarecord.cpp LIBS kestal_ui)
