target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RIntegrityCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/RIntegrityCheck.h
  ${CMAKE_CURRENT_LIST_DIR}/RSlotArchive.cpp ${CMAKE_CURRENT_LIST_DIR}/RSlotArchive.h
  ${CMAKE_CURRENT_LIST_DIR}/RSlotArchiveWorker.cpp ${CMAKE_CURRENT_LIST_DIR}/RSlotArchiveWorker.h
  ${CMAKE_CURRENT_LIST_DIR}/RStatementCache.cpp ${CMAKE_CURRENT_LIST_DIR}/RStatementCache.h
  ${CMAKE_CURRENT_LIST_DIR}/RStorageState.cpp ${CMAKE_CURRENT_LIST_DIR}/RStorageState.h
  ${CMAKE_CURRENT_LIST_DIR}/RStorageWriter.cpp ${CMAKE_CURRENT_LIST_DIR}/RStorageWriter.h)
# The aggregator's rows of each region and day; its writes go through the storage writer.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RRegionDataStore.cpp ${CMAKE_CURRENT_LIST_DIR}/RRegionDataStore.h)
# The command-line reports' bounded read transactions on a file in use.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RReportReads.cpp ${CMAKE_CURRENT_LIST_DIR}/RReportReads.h)
