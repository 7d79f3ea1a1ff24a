target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSqlExec.cpp ${CMAKE_CURRENT_LIST_DIR}/PSqlExec.h)
