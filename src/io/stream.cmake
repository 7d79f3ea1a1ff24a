# Byte streams under the preset files.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SIOStream.cpp ${CMAKE_CURRENT_LIST_DIR}/SIOStream.h
  ${CMAKE_CURRENT_LIST_DIR}/SFileStream.cpp ${CMAKE_CURRENT_LIST_DIR}/SFileStream.h
  ${CMAKE_CURRENT_LIST_DIR}/SMemoryStream.cpp ${CMAKE_CURRENT_LIST_DIR}/SMemoryStream.h)
