# The site database: its schema on PostgreSQL and the sender that feeds it.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RSiteSchema.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteSchema.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RSiteBatch.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteBatch.h
  ${CMAKE_CURRENT_LIST_DIR}/RSiteConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteConfig.h
  ${CMAKE_CURRENT_LIST_DIR}/RSiteReport.h
  ${CMAKE_CURRENT_LIST_DIR}/RSiteSender.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteSender.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RSiteLink.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteLink.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RSiteSnapshot.cpp ${CMAKE_CURRENT_LIST_DIR}/RSiteSnapshot.h)
