# Monthly reports and the audit trail's CSV: the sheet in the core, the Export button's dialogs in the UI.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PMonthReport.cpp ${CMAKE_CURRENT_LIST_DIR}/PMonthReport.h
  ${CMAKE_CURRENT_LIST_DIR}/PAuditReport.cpp ${CMAKE_CURRENT_LIST_DIR}/PAuditReport.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ExportTable.cpp ${CMAKE_CURRENT_LIST_DIR}/ExportTable.h)
