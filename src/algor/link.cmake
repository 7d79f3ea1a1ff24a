target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PDoseThreadInterface.cpp ${CMAKE_CURRENT_LIST_DIR}/PDoseThreadInterface.h
  ${CMAKE_CURRENT_LIST_DIR}/PDoseThread.cpp ${CMAKE_CURRENT_LIST_DIR}/PDoseThread.h
  ${CMAKE_CURRENT_LIST_DIR}/PHostLookup.cpp ${CMAKE_CURRENT_LIST_DIR}/PHostLookup.h
  ${CMAKE_CURRENT_LIST_DIR}/RAdditionalDose.cpp ${CMAKE_CURRENT_LIST_DIR}/RAdditionalDose.h
  ${CMAKE_CURRENT_LIST_DIR}/PSocketGetId.cpp ${CMAKE_CURRENT_LIST_DIR}/PSocketGetId.h)
