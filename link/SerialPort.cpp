#include "link/SerialPort.h"

#include <algorithm>
#include <cerrno>

#include "link/SerialDevice.h"
#include "link/SerialPortError.h"

namespace zelor {

// One opening of the port. Every call takes a reference for its duration;
// the device is released when the port has been closed and the last call
// has left, whichever happens later.
struct SerialPort::Session {
  explicit Session(std::unique_ptr<SerialDevice> d) : device(std::move(d)) {}
  ~Session() { device->Close(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  std::unique_ptr<SerialDevice> device;
};

SerialPort::SerialPort() : name_("COM1") {}

SerialPort::~SerialPort() {
  try {
    Close();
  } catch (...) {
    // The device is released regardless; a destructor reports nothing.
  }
}

void SerialPort::SetPortName(const std::string& name) {
  std::shared_ptr<Session> old;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (name == name_) return;
    name_ = name;
    if (!session_) return;
    old = DetachLocked();
    // The old device keeps its handle until its last call has left, but has
    // already given up exclusive access, so the new one can be opened now.
    OpenLocked();
  }
}

std::string SerialPort::PortName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

bool SerialPort::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return session_ != nullptr;
}

void SerialPort::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (session_) return;
  OpenLocked();
}

void SerialPort::OpenLocked() {
  std::unique_ptr<SerialDevice> device = MakeSerialDevice();
  try {
    device->Open(name_);
    device->SetQueueSizes(SerialDevice::kQueueSize, SerialDevice::kQueueSize);
    device->SetLineSettings();
    device->SetTimeouts();
  } catch (...) {
    device->Close();
    throw;
  }
  session_ = std::make_shared<Session>(std::move(device));
}

std::shared_ptr<SerialPort::Session> SerialPort::DetachLocked() {
  std::shared_ptr<Session> old = std::move(session_);
  session_.reset();
  if (old) old->device->Wake();
  return old;
}

void SerialPort::Close() {
  // Dropped after the lock is left: the device goes with its last user.
  std::shared_ptr<Session> old;
  std::lock_guard<std::mutex> lock(mutex_);
  // The abort gives up the exclusive hold; it runs under the lock, so that
  // no Open can come between the port marked closed and the hold given up.
  // Marked closed first: should the abort fail, the port is closed all the
  // same.
  old = DetachLocked();
}

std::shared_ptr<SerialPort::Session> SerialPort::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return session_;
}

void SerialPort::Purge() {
  const std::shared_ptr<Session> session = Current();
  if (!session) throw SerialPortError(kErrorPurge, NotOpenCode());
  session->device->Purge();
}

int SerialPort::Write(const std::uint8_t* data, int n) {
  const auto deadline = SerialDevice::Clock::now() + SerialDevice::kTotalTimeout;
  const std::shared_ptr<Session> session = Current();
  if (!session) throw SerialPortError(kErrorPortNotOpen);
  if (n <= 0) return 0;
  if (data == nullptr) throw SerialPortError(kErrorWrite, EFAULT);
  return session->device->WriteUntil(data, n, deadline);
}

int SerialPort::Read(std::uint8_t* buffer, int n) {
  return ReadFor(buffer, n, SerialDevice::kTotalTimeout);
}

int SerialPort::ReadFor(std::uint8_t* buffer, int n, std::chrono::milliseconds wait) {
  const auto deadline = SerialDevice::Clock::now() +
                        std::clamp(wait, std::chrono::milliseconds(0), SerialDevice::kTotalTimeout);
  const std::shared_ptr<Session> session = Current();
  if (!session) throw SerialPortError(kErrorPortNotOpen);
  if (n <= 0) return 0;
  if (buffer == nullptr) throw SerialPortError(kErrorRead, EFAULT);
  return session->device->ReadUntil(buffer, n, deadline);
}

}  // namespace zelor
