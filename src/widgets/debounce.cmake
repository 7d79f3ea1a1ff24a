# The click debouncer has no widget in it, so the core can use it too.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RespondButtonClicked.cpp ${CMAKE_CURRENT_LIST_DIR}/RespondButtonClicked.h)
