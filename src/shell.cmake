# The application shell: start-up helpers and the main window.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PLockedFile.cpp ${CMAKE_CURRENT_LIST_DIR}/PLockedFile.h
  ${CMAKE_CURRENT_LIST_DIR}/PLocalPeer.cpp ${CMAKE_CURRENT_LIST_DIR}/PLocalPeer.h
  ${CMAKE_CURRENT_LIST_DIR}/PQuitOnSignal.cpp ${CMAKE_CURRENT_LIST_DIR}/PQuitOnSignal.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSingleApplication.cpp ${CMAKE_CURRENT_LIST_DIR}/PSingleApplication.h
  ${CMAKE_CURRENT_LIST_DIR}/Kestal.cpp ${CMAKE_CURRENT_LIST_DIR}/Kestal.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormStatus.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormStatus.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormAbout.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormAbout.h)
