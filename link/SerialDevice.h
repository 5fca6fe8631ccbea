#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace zelor {

// One opening of a serial device by the operating system. SerialPort makes a
// fresh object for every Open, so a call that is still running on a closed
// port can only ever touch its own, closed device and never a newer one.
// Each platform has its own implementation in one file beside this one
// (SerialDevicePosix.cpp, SerialDeviceWin32.cpp), picked in
// link/SerialLayer.cmake.
//
// Exclusive access: on POSIX the terminal's exclusive mode and an advisory
// flock on the device (so a second configurator is refused whoever runs
// it), given up exactly once per opening, by Wake, under the port's lock: a
// port opened anew while a woken call is still inside the old opening keeps
// its hold. On Windows it is the handle's share mode, which only releasing
// the handle gives up: Wake sets an event every waiting call also waits on,
// each woken call cancels its own overlapped request, and Wake waits until
// they have left the device and releases the handle itself; no call enters
// a woken device.
//
// Threads: Open and the three settings steps run before the object is shared.
// After that ReadUntil, WriteUntil, Purge and Wake may run from several
// threads at the same time; Close runs only once no other call is running.
// Every failure raises a SerialPortError with the number named below.
class SerialDevice {
 public:
  using Clock = std::chrono::steady_clock;

  // Fixed line: 9600 baud, 8 data bits, no parity, 1 stop bit.
  static constexpr int kBaudRate = 9600;
  // Receive and transmit queue sizes in bytes.
  static constexpr int kQueueSize = 1024;
  // Total time-out of one Read and of one Write.
  static constexpr std::chrono::milliseconds kTotalTimeout{1000};

  virtual ~SerialDevice() = default;

  // Opens the named device for exclusive reading and writing (error 1, with
  // EBUSY when another opening holds it, whoever runs that one).
  virtual void Open(const std::string& name) = 0;

  // Asks for receive and transmit queues of the given sizes (error 9).
  virtual void SetQueueSizes(int receiveBytes, int transmitBytes) = 0;

  // Applies the fixed line: 9600 8N1, transparent for every byte value,
  // no flow control, DTR and RTS off (error 7).
  virtual void SetLineSettings() = 0;

  // Makes reads and writes return at once at the driver level; the waiting
  // up to a deadline is done by ReadUntil and WriteUntil (error 8).
  virtual void SetTimeouts() = 0;

  // Discards the bytes waiting in both directions (error 5).
  virtual void Purge() = 0;

  // Reads into buffer until n bytes are in or the deadline has passed and
  // returns the count; bytes beyond the count are left untouched. A hang-up,
  // a device error or a Wake raise error 3.
  virtual int ReadUntil(std::uint8_t* buffer, int n, Clock::time_point deadline) = 0;

  // Hands bytes to the device until all n are taken or the deadline has
  // passed and returns the count taken; a failure or a Wake raise error 2.
  virtual int WriteUntil(const std::uint8_t* data, int n, Clock::time_point deadline) = 0;

  // Aborts every running and later ReadUntil/WriteUntil at once and gives up
  // exclusive access; safe from any thread. Where the platform can give up
  // exclusive access apart from the handle (POSIX), the OS handle is kept;
  // where only releasing the handle does that (Windows), Wake waits for the
  // woken calls to leave and releases it. May raise error 5 where the
  // platform's abort can fail. The caller makes sure that the port is not
  // opened anew until Wake has returned.
  virtual void Wake() = 0;

  // Gives up exclusive access unless Wake already did (never twice for one
  // opening) and releases the OS handle unless Wake already did; called
  // once, when no other call is running.
  virtual void Close() noexcept = 0;
};

// Makes the serial device of the platform this program is built for.
std::unique_ptr<SerialDevice> MakeSerialDevice();

// The platform's code for a call on a port that is not open (EBADF on POSIX,
// ERROR_INVALID_HANDLE on Windows), shown in the error's suffix.
int NotOpenCode();

}  // namespace zelor
