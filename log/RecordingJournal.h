#pragma once
// The recording's journal: while a run streams, the samples the reader has
// stored are appended to a .log file (the same records as a .log save, so a
// journal is a .log file), from the window's thread, never from the reader's.
// The recording's cap holds for it too: the count never passes
// LogBuffer::kCapacity, so neither does the journal.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "core/AppendFile.h"

namespace zelor {

class LogBuffer;

class RecordingJournal {
 public:
  // Starts a journal at path, empty (a file there is replaced); false when
  // it cannot be made, and the journal stays closed.
  bool Begin(const QString& path);
  // Appends the records of the samples below the buffer's count that the
  // journal does not hold yet. False when they could not be written: the
  // journal is closed then (the run goes on without it).
  bool Append(const LogBuffer& buffer);
  // Puts what was appended on the disk; false when the system refused (the
  // journal stays open).
  bool Sync();
  void Close();

  bool IsOpen() const { return file_.IsOpen(); }
  // Records written since Begin.
  std::int32_t Records() const { return records_; }

 private:
  AppendFile file_;
  std::int32_t records_ = 0;
  QByteArray chunk_;  // the records of one append, kept for the next
};

}  // namespace zelor
