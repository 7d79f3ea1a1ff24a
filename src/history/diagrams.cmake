# History charts: the arithmetic in the core, the painting in the UI.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PDoseCurveScale.cpp ${CMAKE_CURRENT_LIST_DIR}/PDoseCurveScale.h
  ${CMAKE_CURRENT_LIST_DIR}/PDoseCurveView.cpp ${CMAKE_CURRENT_LIST_DIR}/PDoseCurveView.h
  ${CMAKE_CURRENT_LIST_DIR}/PStaffDoseScale.cpp ${CMAKE_CURRENT_LIST_DIR}/PStaffDoseScale.h)
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PChartAxes.cpp ${CMAKE_CURRENT_LIST_DIR}/PChartAxes.h
  ${CMAKE_CURRENT_LIST_DIR}/RDoseRatioDiagram.cpp ${CMAKE_CURRENT_LIST_DIR}/RDoseRatioDiagram.h
  ${CMAKE_CURRENT_LIST_DIR}/RStaffDoseDiagram.cpp ${CMAKE_CURRENT_LIST_DIR}/RStaffDoseDiagram.h)
# The history page and its chart dialog.
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RDialogStaffHistoryDose.cpp ${CMAKE_CURRENT_LIST_DIR}/RDialogStaffHistoryDose.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormHistory.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormHistory.h)
