#pragma once
// The recording's journal: while a run streams, the samples the reader has
// stored are appended to a .log file (the same records as a .log save, so a
// journal is a .log file), from the window's thread, never from the reader's.
// The recording's cap holds for it too: the count never passes
// LogBuffer::kCapacity, so neither does the journal.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <filesystem>

#include "core/AppendFile.h"

namespace zelor {

class LogBuffer;

class RecordingJournal {
 public:
  // Starts a journal at path, empty (a file there is replaced); false when
  // it cannot be made (an empty path: there is no journal to make).
  bool Begin(const QString& path);
  // Appends the records of the samples below the buffer's count that the
  // journal does not hold yet. A journal that could not be made, or whose
  // last append failed (a full disk), is opened again first, cut to the
  // records it holds whole, so that the records it already holds stay on
  // the disk meanwhile. False when they could not all be written (the run
  // goes on; the next append tries again).
  bool Append(const LogBuffer& buffer);
  // Puts what was appended on the disk; false when the system refused (the
  // journal stays open).
  bool Sync();
  // The journal is complete: no append follows until the next Begin.
  void Close();

  bool IsOpen() const { return file_.IsOpen(); }
  // True from a Begin with a path until Close.
  bool Started() const { return !path_.empty(); }
  // Records written since Begin.
  std::int32_t Records() const { return records_; }

 private:
  AppendFile file_;
  std::filesystem::path path_;
  std::int32_t records_ = 0;
  QByteArray chunk_;  // the records of one append, kept for the next
};

}  // namespace zelor
