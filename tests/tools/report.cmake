kestal_add_test(tst_kestalreport SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_kestalreport.cpp
  LIBS kestal_core)
target_compile_definitions(tst_kestalreport PRIVATE KESTAL_REPORT="$<TARGET_FILE:kestal-report>")
add_dependencies(tst_kestalreport kestal-report)
