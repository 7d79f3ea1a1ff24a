target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PDataBuffer.cpp ${CMAKE_CURRENT_LIST_DIR}/PDataBuffer.h
  ${CMAKE_CURRENT_LIST_DIR}/PDosePackProc.cpp ${CMAKE_CURRENT_LIST_DIR}/PDosePackProc.h
  ${CMAKE_CURRENT_LIST_DIR}/PFrameDecoder.cpp ${CMAKE_CURRENT_LIST_DIR}/PFrameDecoder.h
  ${CMAKE_CURRENT_LIST_DIR}/PDoseProcThread.cpp ${CMAKE_CURRENT_LIST_DIR}/PDoseProcThread.h)
