#pragma once

#include <stdexcept>
#include <string>

namespace zelor {

// Error numbers of the serial layer; each has a fixed message text.
enum SerialErrorNumber : int {
  kErrorOpen = 1,          // "Unable to open com port"
  kErrorWrite = 2,         // "WriteFile function failed"
  kErrorRead = 3,          // "ReadFile function failed"
  kErrorPurge = 5,         // "PurgeComm function failed"
  kErrorLineSettings = 7,  // "SetCommState function failed"
  kErrorTimeouts = 8,      // "SetCommTimeouts failed"
  kErrorQueueSizes = 9,    // "SetupComm function failed"
  kErrorStatus = 10,       // "ClearCommError function failed"
  kErrorPortNotOpen = 24,  // "Port Not Open"
};

// A failure of the serial layer: an error number, the operating system's
// error code (0 when none is known) and the message shown to the user.
class SerialPortError : public std::runtime_error {
 public:
  // Builds the error; the message is the text of `number`, followed by
  // " (Error: osCode)" when osCode is not 0 (never for "Port Not Open").
  explicit SerialPortError(int number, int osCode = 0);

  // The error number (one of SerialErrorNumber).
  int Number() const;

  // The operating system's error code, 0 when none is known.
  int OsCode() const;

  // The fixed text of an error number, without any suffix.
  static std::string BaseText(int number);

  // The full message for a number and an operating-system code.
  static std::string Message(int number, int osCode);

 private:
  int number_;
  int osCode_;
};

}  // namespace zelor
