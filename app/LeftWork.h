#pragma once
// The start-up's offer of what programs that ended without asking (killed,
// crashed, ended by the system with work unsaved) left in the journals'
// folder: each recording journal and each table image is offered once,
// through the dialog seam. Yes opens the recording as a .log open does (it
// becomes this program's journal); No keeps it among the unsaved recordings
// of "Лог" → "Несохранённые записи" (core/UnsavedRecordings). Once a
// recording is taken, further ones go there without a question, so that
// none replaces another unseen. A recording too short to be saved as a .log
// is deleted without a question. Yes loads a table as "Открыть" does, No
// deletes it; once one is taken, further ones are left for a later start.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

class QWidget;

namespace zelor {

class MessageTexts;
class SessionJournal;

struct LeftWorkHooks {
  QWidget* owner = nullptr;  // of the questions
  // Opens a recording journal, of a recording that began at start, as a
  // .log file; false when it could not be read (the routine shows why).
  std::function<bool(const QString& path, const QDateTime& start)> openRecording;
  // Loads a table image into the grid as one step of the history.
  std::function<void(const QByteArray& image)> loadTable;
};

void OfferLeftWork(SessionJournal& journal, const MessageTexts& messages,
                   const LeftWorkHooks& hooks);

}  // namespace zelor
