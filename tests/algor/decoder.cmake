kestal_add_test(tst_pframedecoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_pframedecoder.cpp LIBS kestal_core)
kestal_add_test(tst_pdoseprocthread SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_pdoseprocthread.cpp LIBS kestal_core)
