# Accounts, their rights and the audit trail; libsodium hashes the passwords
# and makes the trail's key.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSodium.cpp ${CMAKE_CURRENT_LIST_DIR}/PSodium.h)
target_link_libraries(kestal_core PRIVATE PkgConfig::SODIUM)
