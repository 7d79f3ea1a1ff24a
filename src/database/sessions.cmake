# The logout record of the logged-in account at shut-down.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RUserSession.cpp ${CMAKE_CURRENT_LIST_DIR}/RUserSession.h)
# The console's login session.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RLoginSession.cpp ${CMAKE_CURRENT_LIST_DIR}/RLoginSession.h)
