# Mail notifications: the rules, the queue's sender and libcurl's SMTP.
find_package(CURL REQUIRED)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RNotifyConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/RNotifyConfig.h
  ${CMAKE_CURRENT_LIST_DIR}/RNotifyMailer.cpp ${CMAKE_CURRENT_LIST_DIR}/RNotifyMailer.h
  ${CMAKE_CURRENT_LIST_DIR}/RNotifier.cpp ${CMAKE_CURRENT_LIST_DIR}/RNotifier.h
  ${CMAKE_CURRENT_LIST_DIR}/RNotifyPost.cpp ${CMAKE_CURRENT_LIST_DIR}/RNotifyPost.h)
target_link_libraries(kestal_core PRIVATE CURL::libcurl)
