# The plant interface: the Modbus TCP map, fed by the station's signals.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RPlantMap.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantMap.h
  ${CMAKE_CURRENT_LIST_DIR}/RPlantModbus.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantModbus.h
  ${CMAKE_CURRENT_LIST_DIR}/RPlantModbusServer.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantModbusServer.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RPlantConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantConfig.h)
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RPlantMqtt.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantMqtt.h
  ${CMAKE_CURRENT_LIST_DIR}/RPlantMqttLink.cpp ${CMAKE_CURRENT_LIST_DIR}/RPlantMqttLink.h)
target_link_libraries(kestal_core PRIVATE PkgConfig::MOSQUITTO)
