# Passwords for the site's servers, in owner-only files.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSecretFile.cpp ${CMAKE_CURRENT_LIST_DIR}/PSecretFile.h)
