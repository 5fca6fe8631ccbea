#include "link/SerialPortError.h"

namespace zelor {

SerialPortError::SerialPortError(int number, int osCode)
    : std::runtime_error(Message(number, osCode)),
      number_(number),
      osCode_(number == kErrorPortNotOpen ? 0 : osCode) {}

int SerialPortError::Number() const { return number_; }

int SerialPortError::OsCode() const { return osCode_; }

std::string SerialPortError::BaseText(int number) {
  switch (number) {
    case kErrorOpen: return "Unable to open com port";
    case kErrorWrite: return "WriteFile function failed";
    case kErrorRead: return "ReadFile function failed";
    case kErrorPurge: return "PurgeComm function failed";
    case kErrorLineSettings: return "SetCommState function failed";
    case kErrorTimeouts: return "SetCommTimeouts failed";
    case kErrorQueueSizes: return "SetupComm function failed";
    case kErrorStatus: return "ClearCommError function failed";
    case kErrorPortNotOpen: return "Port Not Open";
    default: return "Serial port error " + std::to_string(number);
  }
}

std::string SerialPortError::Message(int number, int osCode) {
  std::string text = BaseText(number);
  if (osCode != 0 && number != kErrorPortNotOpen) {
    text += " (Error: " + std::to_string(osCode) + ")";
  }
  return text;
}

}  // namespace zelor
