kestal_add_test(tst_useraccounts SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_useraccounts.cpp LIBS kestal_core)
kestal_add_test(tst_audittrail SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_audittrail.cpp LIBS kestal_core)
