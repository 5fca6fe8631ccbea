// The serial device on Windows: a COM port opened as a file for overlapped
// I/O. The driver's own time-outs end a read or a write after 1000 ms; a wake
// event that every waiting call also waits on ends them at once.
//
// Exclusive access is the handle's share mode, so it is given up only by
// releasing the handle. Wake therefore waits until the calls it woke have
// left the device and then releases the handle itself, so that the port can
// be opened again at once; no call can enter a woken device.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>
#include <condition_variable>
#include <mutex>
#include <string>

#include "link/SerialDevice.h"
#include "link/SerialPortError.h"

namespace zelor {
namespace {

// Extra wait beyond a call's deadline before the driver is taken to have
// ignored its time-outs and the request is cancelled.
constexpr std::chrono::milliseconds kDriverGrace = SerialDevice::kTotalTimeout;

// How long Wake waits for the woken calls to leave before it leaves the
// handle to Close. A cancelled request ends at once with any sound driver,
// and every request ends by its own time-out within a second.
constexpr std::chrono::milliseconds kLeaveGuard = 2 * SerialDevice::kTotalTimeout;

int LastError() { return static_cast<int>(::GetLastError()); }

// Milliseconds to wait for a request that should end by the deadline: the
// time left plus the driver's grace, rounded up.
DWORD WaitMs(SerialDevice::Clock::time_point deadline) {
  const auto left = deadline - SerialDevice::Clock::now();
  long long ms = kDriverGrace.count();
  if (left > SerialDevice::Clock::duration::zero()) {
    ms += std::chrono::ceil<std::chrono::milliseconds>(left).count();
  }
  return ms >= static_cast<long long>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
}

bool BeforeDeadline(SerialDevice::Clock::time_point deadline) {
  return SerialDevice::Clock::now() < deadline;
}

// The file name of a port: "\\.\" followed by its name ("COM10" becomes
// "\\.\COM10"); a name that already has such a prefix is taken as it is.
std::wstring DevicePath(const std::string& name) {
  if (name.find('\0') != std::string::npos) {
    throw SerialPortError(kErrorOpen, ERROR_INVALID_NAME);
  }
  std::wstring wide;
  if (!name.empty()) {
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                           static_cast<int>(name.size()), nullptr, 0);
    if (size <= 0) throw SerialPortError(kErrorOpen, LastError());
    wide.resize(static_cast<std::size_t>(size));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                          wide.data(), size);
  }
  if (wide.rfind(L"\\\\.\\", 0) == 0 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  return L"\\\\.\\" + wide;
}

// The event one request signals when it ends; each call has its own, since
// two threads may read at the same time.
class RequestEvent {
 public:
  explicit RequestEvent(int errorNumber) : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (handle_ == nullptr) throw SerialPortError(errorNumber, LastError());
  }
  ~RequestEvent() { ::CloseHandle(handle_); }
  RequestEvent(const RequestEvent&) = delete;
  RequestEvent& operator=(const RequestEvent&) = delete;

  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// How one overlapped request ended.
struct Ending {
  DWORD count = 0;     // bytes moved
  DWORD error = 0;     // 0, or the code the request failed with
  bool woken = false;  // the wait was ended by a Wake
};

class Win32SerialDevice final : public SerialDevice {
 public:
  ~Win32SerialDevice() override { Close(); }

  void Open(const std::string& name) override {
    const std::wstring path = DevicePath(name);
    wake_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (wake_ == nullptr) throw SerialPortError(kErrorOpen, LastError());
    // Share mode 0: exclusive; any other opening, by whoever, is refused
    // (ERROR_ACCESS_DENIED) while this handle lives.
    handle_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) Fail(kErrorOpen);
  }

  void SetQueueSizes(int receiveBytes, int transmitBytes) override {
    if (!::SetupComm(handle_, static_cast<DWORD>(receiveBytes),
                     static_cast<DWORD>(transmitBytes))) {
      Fail(kErrorQueueSizes);
    }
  }

  void SetLineSettings() override {
    // Starting from the port's own state keeps its flow-control characters
    // and limits valid; every field that matters is set below.
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(handle_, &dcb)) Fail(kErrorLineSettings);
    dcb.BaudRate = kBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    // Transparent: binary, parity neither tested nor replaced, no error
    // character, null bytes kept, no abort of transfers on a line error.
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // No flow control of any kind; DTR and RTS held off.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    if (!::SetCommState(handle_, &dcb)) Fail(kErrorLineSettings);
  }

  void SetTimeouts() override {
    // A read ends when all its bytes are in or 1000 ms after it began,
    // whichever comes first, with what arrived; a write likewise.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(kTotalTimeout.count());
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(kTotalTimeout.count());
    if (!::SetCommTimeouts(handle_, &timeouts)) Fail(kErrorTimeouts);
  }

  void Purge() override {
    // A woken device has given its handle up.
    const Inside inside(*this, kErrorPurge, NotOpenCode());
    if (!::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT)) {
      throw SerialPortError(kErrorPurge, LastError());
    }
  }

  int ReadUntil(std::uint8_t* buffer, int n, Clock::time_point deadline) override {
    const Inside inside(*this, kErrorRead, 0);
    const RequestEvent done(kErrorRead);
    int got = 0;
    while (got < n) {
      OVERLAPPED ov{};
      ov.hEvent = done.Get();
      const BOOL started =
          ::ReadFile(handle_, buffer + got, static_cast<DWORD>(n - got), nullptr, &ov);
      const Ending end = Finish(ov, started, deadline);
      got += static_cast<int>(end.count);
      if (end.woken || Woken()) throw SerialPortError(kErrorRead);
      if (end.error == ERROR_OPERATION_ABORTED) {
        // Another thread's Purge aborted the request; what it discarded is
        // gone. Before the deadline the read asks again for the rest; the
        // driver's time-out then runs from the new request, so such a read
        // may end up to a second late.
        if (BeforeDeadline(deadline)) continue;
      } else if (end.error != 0) {
        throw SerialPortError(kErrorRead, static_cast<int>(end.error));
      }
      // The status query clears any line error the driver noted.
      DWORD errors = 0;
      COMSTAT status{};
      if (!::ClearCommError(handle_, &errors, &status)) {
        throw SerialPortError(kErrorStatus, LastError());
      }
      // A request that ended short ended by the driver's time-out.
      break;
    }
    return got;
  }

  int WriteUntil(const std::uint8_t* data, int n, Clock::time_point deadline) override {
    const Inside inside(*this, kErrorWrite, 0);
    const RequestEvent done(kErrorWrite);
    OVERLAPPED ov{};
    ov.hEvent = done.Get();
    const BOOL started = ::WriteFile(handle_, data, static_cast<DWORD>(n), nullptr, &ov);
    const Ending end = Finish(ov, started, deadline);
    if (end.woken || Woken()) throw SerialPortError(kErrorWrite);
    // Another thread's Purge discards what was not yet sent: a short write.
    if (end.error != 0 && end.error != ERROR_OPERATION_ABORTED) {
      throw SerialPortError(kErrorWrite, static_cast<int>(end.error));
    }
    return static_cast<int>(end.count);
  }

  void Wake() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (woken_) return;
      woken_ = true;
    }
    // Every waiting call waits on the wake event too and cancels its own
    // request when it fires; a call that starts waiting later sees it set.
    int code = 0;
    if (!::SetEvent(wake_)) {
      code = LastError();
      // Without the event, cancel the requests themselves.
      if (::CancelIoEx(handle_, nullptr) || ::GetLastError() == ERROR_NOT_FOUND) code = 0;
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (left_.wait_for(lock, kLeaveGuard, [this] { return calls_ == 0; })) ReleaseHandle();
      // Otherwise a driver keeps a cancelled request: Close releases the
      // handle once the last call has left.
    }
    if (code != 0) throw SerialPortError(kErrorPurge, code);
  }

  void Close() noexcept override {
    ReleaseHandle();
    if (wake_ != nullptr) {
      ::CloseHandle(wake_);
      wake_ = nullptr;
    }
  }

 private:
  // Counts a call inside the device for its lifetime; refuses to enter a
  // woken device with the given error.
  class Inside {
   public:
    Inside(Win32SerialDevice& device, int errorNumber, int osCode) : device_(device) {
      std::lock_guard<std::mutex> lock(device_.mutex_);
      if (device_.woken_) throw SerialPortError(errorNumber, osCode);
      ++device_.calls_;
    }
    ~Inside() {
      std::lock_guard<std::mutex> lock(device_.mutex_);
      if (--device_.calls_ == 0) device_.left_.notify_all();
    }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;

   private:
    Win32SerialDevice& device_;
  };

  bool Woken() {
    std::lock_guard<std::mutex> lock(mutex_);
    return woken_;
  }

  // Waits for a request begun by ReadFile or WriteFile (`started` is what it
  // returned) to end. A Wake, or a driver that overruns its time-out by the
  // grace, cancel it. On return the request has ended in every case, so its
  // buffer and OVERLAPPED are free again.
  Ending Finish(OVERLAPPED& ov, BOOL started, Clock::time_point deadline) {
    Ending end;
    if (!started) {
      const DWORD code = ::GetLastError();
      if (code != ERROR_IO_PENDING) {
        end.error = code;
        return end;
      }
      HANDLE waits[2] = {ov.hEvent, wake_};
      const DWORD r = ::WaitForMultipleObjects(2, waits, FALSE, WaitMs(deadline));
      if (r != WAIT_OBJECT_0) {
        const DWORD waitError = r == WAIT_FAILED ? ::GetLastError() : 0;
        ::CancelIoEx(handle_, &ov);
        // What the request moved before it was cancelled still counts.
        ::GetOverlappedResult(handle_, &ov, &end.count, TRUE);
        end.woken = r == WAIT_OBJECT_0 + 1;
        end.error = waitError;
        return end;
      }
    }
    if (!::GetOverlappedResult(handle_, &ov, &end.count, FALSE)) {
      end.error = ::GetLastError();
      // A request ended by the driver's time-out is a short transfer, not a
      // failure; some drivers and emulations report it as an error all the
      // same.
      if (end.error == ERROR_TIMEOUT || end.error == ERROR_SEM_TIMEOUT) end.error = 0;
    }
    return end;
  }

  // Gives the handle up and with it exclusive access; only when no call
  // is inside the device.
  void ReleaseHandle() noexcept {
    if (handle_ != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle_);
      handle_ = INVALID_HANDLE_VALUE;
    }
  }

  // Releases the device and raises the error with the last OS code.
  [[noreturn]] void Fail(int number) {
    const int code = LastError();
    Close();
    throw SerialPortError(number, code);
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  // Manual-reset; set once, by Wake.
  HANDLE wake_ = nullptr;
  std::mutex mutex_;
  std::condition_variable left_;
  int calls_ = 0;       // calls inside the device
  bool woken_ = false;  // set by Wake; no call enters afterwards
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<Win32SerialDevice>(); }

int NotOpenCode() { return ERROR_INVALID_HANDLE; }

}  // namespace zelor
