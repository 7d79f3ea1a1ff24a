# Accounts, their rights and the audit trail; libsodium hashes the passwords
# and makes the trail's key.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSodium.cpp ${CMAKE_CURRENT_LIST_DIR}/PSodium.h
  ${CMAKE_CURRENT_LIST_DIR}/RUserRights.cpp ${CMAKE_CURRENT_LIST_DIR}/RUserRights.h
  ${CMAKE_CURRENT_LIST_DIR}/RUserAccounts.cpp ${CMAKE_CURRENT_LIST_DIR}/RUserAccounts.h
  ${CMAKE_CURRENT_LIST_DIR}/RAuditKey.cpp ${CMAKE_CURRENT_LIST_DIR}/RAuditKey.h
  ${CMAKE_CURRENT_LIST_DIR}/RAuditTrail.cpp ${CMAKE_CURRENT_LIST_DIR}/RAuditTrail.h)
target_link_libraries(kestal_core PRIVATE PkgConfig::SODIUM)
