#include "app/LeftWork.h"

#include <QFile>
#include <QFileInfo>

#include "core/SessionJournal.h"
#include "core/UnsavedRecordings.h"
#include "log/LogFile.h"
#include "log/LogFrame.h"
#include "table/TableImage.h"
#include "ui/UserDialogs.h"

namespace zelor {

void OfferLeftWork(SessionJournal& journal, const MessageTexts& messages,
                   const LeftWorkHooks& hooks) {
  bool recordingTaken = false;
  bool tableTaken = false;
  for (LeftJournal& left : journal.ClaimLeft()) {
    if (!left.recording.isEmpty()) {
      const qint64 samples = QFileInfo(left.recording).size() / kLogRecordSize;
      // 100 samples a second; the last one was written when the file was.
      const QDateTime start = left.recordingWritten.addMSecs(-samples * 10);
      if (samples < kMinimumLogSamples) {
        QFile::remove(left.recording);
      } else if (!recordingTaken &&
                 Dialogs().Ask(hooks.owner,
                               LeftRecordingQuestion(messages, samples, left.recordingWritten))) {
        // Its only copy becomes this program's journal; one that cannot be
        // moved stays where it is, to be offered again.
        const QString path =
            journal.AdoptRecording(left) ? journal.RecordingPath() : left.recording;
        recordingTaken = hooks.openRecording(path, start);
      } else {
        // Never lost: one that cannot be moved stays, to be offered again.
        KeepUnsavedRecording(journal.Folder(), left.recording, start);
      }
    }
    if (!left.table.isEmpty() && !tableTaken) {
      if (Dialogs().Ask(hooks.owner, LeftTableQuestion(messages, left.tableWritten))) {
        QFile file(left.table);
        if (file.open(QIODevice::ReadOnly)) {
          // The step it makes keeps it as this program's table image.
          hooks.loadTable(file.read(static_cast<qint64>(kTableImageSize)));
          tableTaken = true;
          file.close();
          QFile::remove(left.table);
        }
      } else {
        QFile::remove(left.table);
      }
    }
  }
}

}  // namespace zelor
