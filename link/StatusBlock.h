#pragma once
// The status block of the first tab, below the port box: the open port's
// full name (the port box is too narrow for most names), the firmware
// version, whether the live stream runs and how many cells the converter
// does not hold yet; and, once the session's journal could not be written,
// that it cannot, or that it is written again. Its lines are Russian, or
// English once the program's messages are.
//
// The block takes what it shows from a source it asks whenever it is shown
// and then every quarter of a second while it stays in sight, so that none
// of the commands that change those things has to tell it; while it is out
// of sight it asks nothing.

#include <QString>
#include <QWidget>
#include <functional>

#include "core/SessionJournal.h"

class QLabel;
class QTimer;

namespace zelor {

class MessageTexts;

// How the last table write on the port chosen ended, where it did not end
// verified: the converter lost before the write went out or the read-back
// differed (kNotWritten), or the converter lost before its read-back
// (kNotVerified: it may hold the table or not).
enum class WriteOutcome { kNone, kNotWritten, kNotVerified };

// What the block shows, as the window has it now.
struct LinkStatus {
  QString port;      // the open port's name; empty while none is open
  QString firmware;  // the version as the firmware label shows it; empty before a read
  bool streaming = false;
  bool readerLost = false;  // the stream runs, its reader has ended on an error
  bool portLeft = false;    // ... because another port was chosen during the run
  bool haveCopy = false;    // the converter's table is known
  int differing = 0;        // valid cells the converter holds another byte for
  int invalid = 0;          // cells that are no byte at all
  WriteOutcome lastWrite = WriteOutcome::kNone;
  JournalHealth journal = JournalHealth::kWriting;
};

class StatusBlock final : public QWidget {
 public:
  // Its lines follow the language of messages.
  StatusBlock(std::function<LinkStatus()> source, const MessageTexts& messages, QWidget* parent);

  // Asks the source and shows its answer now.
  void Refresh();

  QString PortText() const;
  QString FirmwareText() const;
  QString StreamText() const;
  QString CellsText() const;
  QString JournalText() const;  // empty while the journal has always been written

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::function<LinkStatus()> source_;
  const MessageTexts& messages_;
  QTimer* timer_;
  QLabel* port_;
  QLabel* firmware_;
  QLabel* stream_;
  QLabel* cells_;
  QLabel* journal_;
};

}  // namespace zelor
