kestal_add_test(tst_presets SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_presets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PresetTestFiles.h LIBS kestal_core)
kestal_add_test(tst_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings.cpp
  LIBS kestal_ui kestal_resources kestal_simlib)
# The audit page's export is compared with kestal-report's file.
target_compile_definitions(tst_settings PRIVATE KESTAL_REPORT="$<TARGET_FILE:kestal-report>"
  SMTP_SINK="${CMAKE_SOURCE_DIR}/tests/notify/smtp_sink.py")
add_dependencies(tst_settings kestal-report)
