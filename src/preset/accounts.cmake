# The accounts and audit trail categories of the settings window.
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RFrameAccounts.cpp ${CMAKE_CURRENT_LIST_DIR}/RFrameAccounts.h
  ${CMAKE_CURRENT_LIST_DIR}/RFrameAudit.cpp ${CMAKE_CURRENT_LIST_DIR}/RFrameAudit.h)
