#pragma once
// The live run bound to the instrument panel, and the recording's files. It
// owns the run (StreamRun: the recording, the flags, the reader and the
// beeper) and the panel's 10 ms tick `Timer1`, and works the panel around
// them: "Старт" and "Стоп", the reader's failure routine,
// the tick (gauges, text boxes, the panel chart, the beeper's two values,
// the lost-converter mark, live learning), the marker while the space bar
// is held, and the end of the run with the window. Its second file
// (RunRecordingFiles.cpp) saves and opens .log files, exports the CSV and
// keeps the recording's journal: while a run streams, the journal's timer
// appends the samples stored since its last pass to the session's journal
// file and puts them on the disk, twice a second; the journal goes when the
// recording is saved, moves among the kept unsaved recordings when an
// unsaved one is replaced, and the session's end decides the rest.
//
// It reads and writes the table's model and tells what happened by its
// signals; it asks the window the two things it needs through its hooks.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "log/RecordingJournal.h"
#include "log/StreamRun.h"
#include "table/Coverage.h"

class QTimer;
class QWidget;

namespace zelor {

class ConverterTransfer;
class FileDialog;
class MessageTexts;
class PanelPage;
class SessionJournal;
class TableModel;

// The window's file dialogs the recording's commands use.
struct RecordingDialogs {
  FileDialog* open = nullptr;  // shared with the table's open
  FileDialog* save = nullptr;  // shared with the table's save
  FileDialog* csv = nullptr;   // the CSV export's own
};

// How often the journal's timer puts the recording on the disk.
inline constexpr int kJournalIntervalMs = 500;

// What the controller asks the window, and the other controller's part of
// "Старт", which may end it.
struct RunHooks {
  // "Старт"'s reset of the correction's range and step, each change sending
  // its command; raises the first command that cannot be sent.
  std::function<void()> resetCorrection;
  // True while a written table is being read back.
  std::function<bool()> verifyPending;
};

class RunController : public QObject {
  Q_OBJECT
 public:
  // Makes the run on the converter's port, the tick and the journal's timer
  // (children of owner, which also owns the message boxes of the handlers'
  // errors and the file dialogs). The references must outlive the
  // controller.
  RunController(ConverterTransfer& converter, PanelPage& panel, TableModel& table,
                const MessageTexts& messages, RecordingDialogs dialogs, SessionJournal& journal,
                QWidget* owner, RunHooks hooks);
  // The run's threads end before anything the controller was handed.
  ~RunController() = default;
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  StreamRun& Stream() { return stream_; }
  QTimer& Timer1() { return *timer1_; }

  // --- The run -----------------------------------------------------------------
  // "Старт": refused without a port or while a written table is read back,
  // and before anything is sent when a cell of the grid is not a number.
  void Start();
  // "Стоп": refused without a port.
  void Stop();
  // The reader's failure routine, on the window's thread: its message,
  // then "Стоп".
  void Failure(const std::string& message);
  // "Стоп" for a running stream, its threads waited for, and the journal
  // brought up to the recording and closed. At the system's request the
  // failure of the "s" (a converter gone) is not shown: there may be no one
  // to close the box, and the program would not end.
  void End(bool systemRequest = false);
  // The panel's tick.
  void Tick();
  // The log marker, on while the space bar is held.
  void SetMarker(bool on);

  // --- The recording's files ------------------------------------------------------
  void OpenRecording();  // refused while the stream runs
  void SaveRecording();  // refused for a recording too short
  void ExportCsv();      // refused as SaveRecording is
  // Opens a kept unsaved recording (core/UnsavedRecordings) as a .log file
  // is opened; refused while the stream runs. Saved elsewhere, its kept file
  // goes.
  void OpenUnsavedRecording(const QString& path);
  // Opens a journal a gone program left, of a recording that began at
  // start, as a .log file is opened (the recording's file name stays); the
  // recording then counts as unsaved. False, with the message shown, when
  // it cannot be read.
  bool RecoverRecording(const QString& path, const QDateTime& start);
  // True when closing would lose the recording: a run streams (closing ends
  // it), or the recording recorded or recovered here, long enough to be
  // saved, has not been saved as a .log since its run ended. A recording
  // opened from a .log file is not.
  bool RecordingAtRisk() const;
  // The journal's pass: appends what the reader stored, puts it on the
  // disk, and once the run's reader has ended closes the journal.
  void JournalTick();

 signals:
  // A message for the user (shown over the progress window while that is).
  void Message(const QString& text);
  // The history's commit is due: a live-learning run is one step.
  void TableStepCommitted();
  // "Старт" is under way, with live learning on or off; "Стоп" has ended a
  // run (the recording is whole).
  void RunStarted(bool learning);
  void RunStopped();
  // The converter stopped answering during the run (the tick's mark shows
  // it over the gauges).
  void ConverterLost();
  // The recording is another: after a run, a .log opened, a journal
  // recovered; with its coverage of the cells, computed once here.
  void RecordingChanged(const LogCoverage& coverage);
  // A .log file is about to replace the recording, and has replaced it
  // (after RecordingChanged).
  void RecordingAboutToBeReplaced();
  void RecordingReplaced();
  // The recording's file is now this one (the caption names it).
  void LogFileChosen(const QString& name);
  // The status bar's text after a .log opened: empty, or why it is not
  // drawn.
  void StatusChanged(const QString& text);

 private:
  // The journal's file goes: the recording is saved or replaced.
  void ForgetJournal();
  // Opens path over the recording as a .log file is opened, the unsaved
  // recording it replaces kept first; false, with the message shown, when it
  // cannot be read.
  bool Replace(const QString& path);
  // An unsaved recording about to be replaced goes among the kept ones
  // (core/UnsavedRecordings), its journal's file moved there when that holds
  // it whole; spare is a kept one about to be opened, which stays. It then
  // counts as saved.
  void KeepUnsaved(const QString& spare = {});

  ConverterTransfer& converter_;
  PanelPage& panel_;
  TableModel& table_;
  const MessageTexts& messages_;
  RecordingDialogs dialogs_;
  QWidget* owner_;
  RunHooks hooks_;
  SessionJournal& journal_;
  QTimer* timer1_;        // owned by owner_
  QTimer* journalTimer_;  // owned by owner_
  RecordingJournal recordingJournal_;
  // The recording in the buffer was recorded (or recovered) and not saved
  // since; when it began.
  bool unsaved_ = false;
  QDateTime recordingStart_;
  // The journal is behind the recording: passes are due (from "Старт" until
  // it holds the whole run, or the recording is saved or replaced).
  bool journalDue_ = false;
  // The kept unsaved recording the buffer was opened from; empty otherwise.
  QString keptFrom_;
  // The receiver of what the reader posts to the window's thread: what is
  // still queued when the controller goes is dropped with it.
  QObject receiver_;
  // Declared last: the run's reader and beeper end first.
  StreamRun stream_;
};

}  // namespace zelor
