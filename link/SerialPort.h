#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace zelor {

class SerialDevice;

// The serial port the configurator talks to the converter through: fixed
// line 9600 8N1, raw, no flow control, 1000 ms total time-outs. Every failure
// raises a SerialPortError.
//
// Threads: any thread may call any method. A Read and a Write may run at the
// same time, and Close may run while other threads are blocked in Read or
// Write; those calls then fail at once. Each Open makes its own device
// object, released by the last call that still uses it, so a call woken by
// Close never touches a port opened afterwards. The object itself must not
// be destroyed while another thread is inside one of its methods.
class SerialPort {
 public:
  // A closed port named "COM1".
  SerialPort();
  // Closes the port.
  ~SerialPort();

  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Stores the name; when the port is open under another name, closes it
  // and opens the new one.
  void SetPortName(const std::string& name);

  // The stored port name.
  std::string PortName() const;

  // True from a successful Open until Close.
  bool IsOpen() const;

  // Opens the named device with the fixed settings; does nothing when the
  // port is already open. On failure the port stays closed (errors 1, 9, 7, 8).
  void Open();

  // Aborts pending reads and writes, releases the device and marks the port
  // closed; does nothing when it is closed.
  void Close();

  // Discards all bytes waiting in both directions; error 5 (with the OS
  // code) on failure or when the port is not open.
  void Purge();

  // Hands n bytes to the port within 1000 ms and returns how many were
  // taken; error 24 when closed, 2 when the write fails or is aborted.
  int Write(const std::uint8_t* data, int n);

  // Waits until n bytes are read or 1000 ms have passed since the call began
  // and returns the count, 0..n; the rest of the buffer is left unchanged.
  // Error 24 when closed, 3 when the read fails or Close aborts it.
  int Read(std::uint8_t* buffer, int n);

  // Read with a shorter total time-out: waits until n bytes are read or
  // `wait` (at most the 1000 ms of Read) has passed. For listening whether
  // the line is silent without spending a whole second on it.
  int ReadFor(std::uint8_t* buffer, int n, std::chrono::milliseconds wait);

 private:
  struct Session;

  // The device of the current opening, or null when closed.
  std::shared_ptr<Session> Current() const;

  // Opens under the stored name; the caller holds mutex_.
  void OpenLocked();

  // Takes the current opening away and aborts its calls; returns it so that
  // the caller drops it outside the lock.
  std::shared_ptr<Session> DetachLocked();

  mutable std::mutex mutex_;
  std::string name_;
  std::shared_ptr<Session> session_;
};

}  // namespace zelor
