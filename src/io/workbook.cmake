# The .xlsx writer over libxlsxwriter.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SXlsxWorkbook.cpp ${CMAKE_CURRENT_LIST_DIR}/SXlsxWorkbook.h)
target_link_libraries(kestal_core PRIVATE PkgConfig::XLSXWRITER)
