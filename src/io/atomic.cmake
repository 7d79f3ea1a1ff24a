# The one way a kept file is replaced: presets, CSV and .xlsx.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SAtomicFile.cpp ${CMAKE_CURRENT_LIST_DIR}/SAtomicFile.h)
