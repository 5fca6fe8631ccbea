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
// recording is saved or replaced, and the session's end decides the rest.
//
// The window hands in what the controller needs; it knows nothing else of
// the window.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "log/RecordingJournal.h"
#include "log/StreamRun.h"

class QTimer;
class QWidget;

namespace zelor {

class ConverterTransfer;
class FileDialog;
class GridPage;
class MessageTexts;
class PanelPage;
class SessionJournal;
class TableToolsController;

// The window's file dialogs the recording's commands use.
struct RecordingDialogs {
  FileDialog* open = nullptr;  // shared with the table's open
  FileDialog* save = nullptr;  // shared with the table's save
  FileDialog* csv = nullptr;   // the CSV export's own
};

// How often the journal's timer puts the recording on the disk.
inline constexpr int kJournalIntervalMs = 500;

// What the controller calls in the window.
struct RunHooks {
  // The owner of the message boxes of the handlers' errors and of the file
  // dialogs.
  QWidget* owner = nullptr;
  // Shows a message (over the progress window while that is up).
  std::function<void(const QString&)> message;
  // The table history's commit: a live-learning run is one step.
  std::function<void()> commit;
  // "Старт"'s reset of the correction's range and step, each change sending
  // its command; raises the first command that cannot be sent.
  std::function<void()> resetCorrection;
  // True while a written table is being read back.
  std::function<bool()> verifyPending;
  // Brings the panel chart's table curve up to the grid.
  std::function<void()> refreshPanelChart;
  // The log chart's: a run has ended; a .log file is about to replace the
  // recording; a .log file has replaced it.
  std::function<void()> runStopped;
  std::function<void()> forgetDrawing;
  std::function<void()> frameWholeRecording;
  // The recording's file is now this one (the caption names it).
  std::function<void(const QString&)> logFileChosen;
};

class RunController {
 public:
  // Makes the run on the converter's port, the tick and the journal's timer
  // (children of hooks.owner). The references must outlive the controller.
  RunController(ConverterTransfer& converter, PanelPage& panel, GridPage& grid,
                TableToolsController& tools, const MessageTexts& messages, RecordingDialogs dialogs,
                SessionJournal& journal, RunHooks hooks);
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
  // Opens a journal a gone program left, as a .log file is opened (the
  // recording's file name stays); the recording then counts as unsaved.
  // False, with the message shown, when it cannot be read.
  bool RecoverRecording(const QString& path);
  // True when closing would lose the recording: a run streams (closing ends
  // it), or the recording recorded or recovered here, long enough to be
  // saved, has not been saved as a .log since its run ended. A recording
  // opened from a .log file is not.
  bool RecordingAtRisk() const;
  // The journal's pass: appends what the reader stored, puts it on the
  // disk, and once the run's reader has ended closes the journal.
  void JournalTick();

 private:
  // The journal's file goes: the recording is saved or replaced.
  void ForgetJournal();

  ConverterTransfer& converter_;
  PanelPage& panel_;
  GridPage& grid_;
  TableToolsController& tools_;
  const MessageTexts& messages_;
  RecordingDialogs dialogs_;
  RunHooks hooks_;
  SessionJournal& journal_;
  QTimer* timer1_;        // owned by hooks.owner
  QTimer* journalTimer_;  // owned by hooks.owner
  RecordingJournal recordingJournal_;
  // The recording in the buffer was recorded (or recovered) and not saved
  // since.
  bool unsaved_ = false;
  // The receiver of what the reader posts to the window's thread: what is
  // still queued when the controller goes is dropped with it.
  QObject receiver_;
  // Declared last: the run's reader and beeper end first.
  StreamRun stream_;
};

}  // namespace zelor
