# The monthly alarm figures: counted from the alarm journal, written as a workbook.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PAlarmFigures.cpp ${CMAKE_CURRENT_LIST_DIR}/PAlarmFigures.h
  ${CMAKE_CURRENT_LIST_DIR}/PAlarmFiguresReport.cpp ${CMAKE_CURRENT_LIST_DIR}/PAlarmFiguresReport.h)
# The yearly instrument register.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PInstrumentRegister.cpp ${CMAKE_CURRENT_LIST_DIR}/PInstrumentRegister.h)
