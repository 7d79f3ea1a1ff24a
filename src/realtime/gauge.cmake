target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RCheckBox.cpp ${CMAKE_CURRENT_LIST_DIR}/RCheckBox.h
  ${CMAKE_CURRENT_LIST_DIR}/RWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/RWidget.h
  ${CMAKE_CURRENT_LIST_DIR}/PColorLineEditor.cpp ${CMAKE_CURRENT_LIST_DIR}/PColorLineEditor.h
  ${CMAKE_CURRENT_LIST_DIR}/PColorLineDelegate.cpp ${CMAKE_CURRENT_LIST_DIR}/PColorLineDelegate.h
  ${CMAKE_CURRENT_LIST_DIR}/RGroupBox.cpp ${CMAKE_CURRENT_LIST_DIR}/RGroupBox.h
  ${CMAKE_CURRENT_LIST_DIR}/PStaleOverlay.cpp ${CMAKE_CURRENT_LIST_DIR}/PStaleOverlay.h)
