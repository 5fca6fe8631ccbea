#pragma once
// The simulator's port: a pseudo-terminal whose slave side (/dev/pts/N) is
// the serial port the configurator opens, and whose master side is the
// converter's end of the line. The slave is put in raw mode at 9600 8N1 so
// that bytes pass unchanged both ways (no echo, no newline or control
// character processing). The simulator keeps a slave descriptor of its own
// open (and never reads it), so the master sees no hang-up when the
// configurator closes the port and opens it again.

#include <string>

namespace zelor::sim {

class Pty {
 public:
  Pty() = default;
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  // Closes whatever is still open.
  ~Pty();

  // Opens a new pseudo-terminal with a non-blocking master. Returns false
  // and sets `error` when the system refuses; nothing is left open then.
  bool Open(std::string& error);

  // Closes the master and the held slave, as an unplugged adapter: the
  // configurator's reads then see a hang-up. Safe to call twice.
  void Close();

  // Bytes the sim has sent that the port's user has not read yet; 0 when
  // closed.
  int UnreadBytes() const;

  // Waits, at most `maxWaitMs`, until the port's user has read every byte
  // sent, then closes as Close does (a hang-up discards unread input).
  void CloseWhenRead(int maxWaitMs);

  // True between a successful Open and Close.
  bool IsOpen() const { return master_ >= 0; }

  // The converter's end of the line; -1 when closed.
  int MasterFd() const { return master_; }

  // The path of the port the configurator opens, e.g. /dev/pts/3.
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace zelor::sim
