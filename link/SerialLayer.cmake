# The serial layer without Qt: the port object and its errors, the port list
# and the protocol frames, with the device and port-list files of the
# platform being built for. This is the one place that picks them; the
# configurator's zelor_core and the console check in tools/ both take their
# serial files from here.
#
# Sets ZELOR_SERIAL_SOURCES (full paths) and ZELOR_SERIAL_LIBRARIES.
set(ZELOR_SERIAL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortError.h ${CMAKE_CURRENT_LIST_DIR}/SerialPortError.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialDevice.h
  ${CMAKE_CURRENT_LIST_DIR}/SerialPort.h ${CMAKE_CURRENT_LIST_DIR}/SerialPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortList.h ${CMAKE_CURRENT_LIST_DIR}/PortList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Protocol.h ${CMAKE_CURRENT_LIST_DIR}/Protocol.cpp
)
if(WIN32)
  list(APPEND ZELOR_SERIAL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SerialDeviceWin32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PortListWin32.cpp)
  # The port list reads the registry, and the adapters' names the devices'.
  set(ZELOR_SERIAL_LIBRARIES advapi32 setupapi)
else()
  list(APPEND ZELOR_SERIAL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SerialDevicePosix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PortListPosix.cpp)
  # The port list asks libserialport.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SERIALPORT REQUIRED IMPORTED_TARGET GLOBAL libserialport)
  set(ZELOR_SERIAL_LIBRARIES PkgConfig::SERIALPORT)
endif()
