# The read-only web view: civetweb's HTTP server, the live feed and the
# page's own files, compiled in.
# Debian's CMake package of civetweb names its server program too, which
# comes in another package: the library is found by itself.
find_path(CIVETWEB_INCLUDE_DIR civetweb.h REQUIRED)
find_library(CIVETWEB_LIBRARY civetweb REQUIRED)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RWebConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebConfig.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebFeed.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebFeed.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebPlan.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebPlan.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebReads.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebReads.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebServer.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebServer.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebTlsFront.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebTlsFront.h
  ${CMAKE_CURRENT_LIST_DIR}/RWebTlsRelay.cpp ${CMAKE_CURRENT_LIST_DIR}/RWebTlsRelay.h
  ${CMAKE_CURRENT_LIST_DIR}/page/web.qrc)
target_include_directories(kestal_core PRIVATE ${CIVETWEB_INCLUDE_DIR})
target_link_libraries(kestal_core PRIVATE ${CIVETWEB_LIBRARY})
