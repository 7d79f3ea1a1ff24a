kestal_add_test(tst_smessage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_smessage.cpp LIBS kestal_core)
kestal_add_test(tst_plogrecord SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_plogrecord.cpp LIBS kestal_core)
